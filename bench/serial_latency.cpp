// How much time the serial layer adds to a command exchange, and how much CPU it burns waiting.
//
// A simulated device on a pseudo-terminal answers "ping\r" with "pong>" after d milliseconds.
// For each d the program runs DSPurge/DSWrite/DSWait/DSRead exchanges and reports the host's
// overhead (wall time minus d) and the CPU time of the waiting thread as a share of wall time.
// Targets: median overhead <= 2 ms at every d; CPU <= 1 % of wall while waiting.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "framework/device_server.h"
#include "models/scripted_peer.h"
#include "serial/posix_serial_backend.h"
#include "serial/vesk_serial.h"

namespace {

double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main() {
  using namespace std::chrono;
  using vesk::sim::DeviceServer;
  using vesk::sim::ScriptedPeer;

  const int delays[] = {0, 50, 300, 700};
  std::printf("%8s %6s %14s %14s %14s %10s\n", "delay_ms", "runs", "median_ovh_ms", "max_ovh_ms",
              "cpu_ms/exch", "cpu_%wall");
  bool met = true;
  for (int d : delays) {
    auto peer = std::make_unique<ScriptedPeer>();
    peer->When("ping\r", "pong>", milliseconds(d));
    DeviceServer server(std::move(peer));
    server.Start();

    vesk::PosixSerialBackend backend;
    vesk::VeskSerial port(backend);
    if (vesk::DSOpen(port, server.portPath(), 9600) != 1) {
      std::fprintf(stderr, "cannot open %s\n", server.portPath().c_str());
      return 1;
    }
    const int runs = d >= 300 ? 10 : 40;
    std::vector<double> overheads;
    double cpuTotal = 0;
    double wallTotal = 0;
    for (int i = 0; i < runs; ++i) {
      char answer[64];
      size_t count = 0;
      const double cpu0 = ThreadCpuMs();
      const auto t0 = steady_clock::now();
      vesk::DSPurge(port, 1);
      vesk::DSWrite(port, "ping\r", 5, count);
      const int32_t found = vesk::DSWait(port, 3000, '>');
      vesk::DSRead(port, answer, sizeof answer, count);
      const double wall = duration<double, std::milli>(steady_clock::now() - t0).count();
      const double cpu = ThreadCpuMs() - cpu0;
      if (found != '>') {
        std::fprintf(stderr, "exchange %d at d=%d failed (%d)\n", i, d, found);
        return 1;
      }
      overheads.push_back(wall - d);
      cpuTotal += cpu;
      wallTotal += wall;
    }
    vesk::DSClose(port);
    const double median = Median(overheads);
    const double worst = *std::max_element(overheads.begin(), overheads.end());
    const double cpuShare = 100.0 * cpuTotal / wallTotal;
    std::printf("%8d %6d %14.3f %14.3f %14.3f %10.3f\n", d, runs, median, worst, cpuTotal / runs,
                cpuShare);
    met = met && median <= 2.0 && (d < 50 || cpuShare <= 1.0);
  }
  std::printf("targets (median overhead <= 2 ms, CPU <= 1 %% of wall while waiting): %s\n",
              met ? "met" : "NOT met");
  return 0;
}
