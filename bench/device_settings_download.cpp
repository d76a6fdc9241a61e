// How long the command line takes for a logger's whole settings, and whether the radio wake
// sequence keeps its cadence.
//
// 1. A simulated Rvan on a pseudo-terminal paced at 9600 baud: connect, then download every
//    setting it has with DeviceSettings. Reports the time, the exchanges the device heard and the
//    settings read. Target: one exchange per setting (plus the version question), nothing
//    repeated.
// 2. (skipped with --no-wake) SendWake to a simulated Wq3 modem: 909 carriage returns that
//    should arrive 55 ms apart, about 50 s in all. Reports the mean and worst spacing as the
//    device saw it. Target: mean within 2 ms of 55, no gap above 75 ms.
#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "device/quorl_protocol.h"
#include "device/settings_support.h"
#include "framework/device_server.h"
#include "models/command_line_device_kinds.h"
#include "models/command_line_device_model.h"
#include "serial/posix_serial_backend.h"

namespace {

using Clock = std::chrono::steady_clock;

// Notes when each carriage return arrives.
class CarriageReturnClock final : public vesk::sim::DeviceModel {
 public:
  void OnReceive(std::string_view bytes, vesk::sim::DeviceLine& line) override {
    for (char c : bytes) {
      if (c == '\r') {
        arrivals.push_back(line.Now());
      }
    }
  }
  std::vector<vesk::sim::SimClock::time_point> arrivals;
};

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

bool Download() {
  vesk::sim::ServerOptions options;
  options.throttle = true;
  vesk::sim::DeviceServer server(std::make_unique<vesk::sim::CommandLineDeviceModel>(
                                     *vesk::sim::CommandLineDevicePreset("rvan")),
                                 options);
  server.Start();
  vesk::PosixSerialBackend backend;
  vesk::QUORL_Protocol protocol(backend);
  vesk::ConnectionParams params;
  vesk::CopyTruncated(params.portName, server.portPath());
  params.kind = vesk::connection_kind::kSerial;

  const auto start = Clock::now();
  if (protocol.ConnectDevice(&params) != 1) {
    std::fprintf(stderr, "cannot connect to the simulated Rvan\n");
    return false;
  }
  const auto connected = Clock::now();
  vesk::DeviceInfo record;
  uint32_t mask = vesk::setting::kTrait;
  protocol.DeviceSettings(&record, &mask, vesk::kModeGet);
  uint32_t rest = vesk::SettingsSupportedBy(record) & ~mask;
  const int rc = protocol.DeviceSettings(&record, &rest, vesk::kModeGet);
  const auto done = Clock::now();
  protocol.DisconnectDevice(false);

  const int settings = std::popcount((mask | rest) & ~vesk::setting::kIdentity);
  const std::vector<std::string> lines = server.WithModel<vesk::sim::CommandLineDeviceModel>(
      [](vesk::sim::CommandLineDeviceModel& m) { return m.device().lines(); });
  const int exchanges = static_cast<int>(lines.size());
  std::printf("Full Rvan download at 9600 baud\n");
  std::printf("  connect %8.0f ms\n", Ms(connected - start));
  std::printf("  download %7.0f ms for %d settings (%.0f ms each), result %d\n",
              Ms(done - connected), settings, Ms(done - connected) / settings, rc);
  // The radio channel and sub-channel and the radio version are three exchanges for three bits.
  std::printf("  exchanges %d (target %d: one per setting and the version question)\n", exchanges,
              settings + 1);
  return rc == 1 && exchanges == settings + 1;
}

bool Wake() {
  auto model = std::make_unique<CarriageReturnClock>();
  vesk::sim::DeviceServer server(std::move(model));
  server.Start();
  vesk::PosixSerialBackend backend;
  vesk::QUORL_Protocol protocol(backend);
  if (vesk::DSOpen(protocol, server.portPath(), 9600) != 1) {
    return false;
  }
  const auto start = Clock::now();
  protocol.SendWake();
  const auto end = Clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const auto arrivals =
      server.WithModel<CarriageReturnClock>([](CarriageReturnClock& m) { return m.arrivals; });
  double worst = 0;
  for (size_t i = 1; i < arrivals.size(); ++i) {
    worst = std::max(worst, Ms(arrivals[i] - arrivals[i - 1]));
  }
  const double mean =
      arrivals.size() > 1 ? Ms(arrivals.back() - arrivals.front()) / (arrivals.size() - 1) : 0;
  std::printf("Wake sequence\n");
  std::printf("  %zu carriage returns in %.1f s, mean spacing %.2f ms, worst %.2f ms\n",
              arrivals.size(), Ms(end - start) / 1000, mean, worst);
  return arrivals.size() == 909 && mean > 53 && mean < 57 && worst < 75;
}

}  // namespace

int main(int argc, char** argv) {
  const bool wake = !(argc > 1 && std::strcmp(argv[1], "--no-wake") == 0);
  bool met = Download();
  if (wake) {
    met = Wake() && met;
  }
  std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
  return met ? 0 : 1;
}
