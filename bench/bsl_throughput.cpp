// How close a whole bsl-flash comes to what the line allows.
//
// Runs `veskbsl-cli bsl-flash` (the program beside this one) with the embedded image against the
// simulated boot-loader device, throttled to the speed the host sets (9600 baud for the OMB-3's
// device type: 10 bits a byte, 960 bytes a second in each direction). The protocol is
// half-duplex, so the bound is every byte on the wire in both directions at 960 bytes a second,
// plus the pauses the protocol itself prescribes (1000 ms after opening the port, 750 ms after
// "boot", 100 ms after the carriage return and after "P", 50 ms before the vectors, 100 ms after
// closing). Reports wall time, the bound, their ratio and the program's CPU time.
// Targets: ratio <= 1.03; CPU <= 1 % of wall.
//
// Usage: bsl_throughput [ROW]   (default: the embedded image's device type)
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bsl/embedded_firmware.h"
#include "framework/device_server.h"
#include "models/bootloader_device.h"

extern char** environ;

namespace {

constexpr double kMandatedPausesS = (1000 + 750 + 100 + 100 + 50 + 100) / 1000.0;

std::filesystem::path ProgramFolder() {
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::current_path() : exe.parent_path();
}

double Seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vesk;
  const int row = argc > 1 ? std::atoi(argv[1]) : BuiltInFirmware().deviceType;
  const std::string cli = (ProgramFolder() / "veskbsl-cli").string();
  const std::string work = std::filesystem::temp_directory_path() / "veskbsl-bsl-throughput";
  std::filesystem::create_directories(work);
  const std::string logPath = work + "/bsl-flash.log";
  const std::string outPath = work + "/bsl-flash.out";
  std::filesystem::remove(logPath);

  sim::BootloaderOptions device = sim::BootloaderOptionsForRow(row);
  sim::ServerOptions line;
  line.throttle = true;
  sim::DeviceServer server(std::make_unique<sim::BootloaderDevice>(device), line);
  server.Start();

  std::vector<std::string> args = {
      cli,     "bsl-flash", "--port",        server.portPath(),  "--log",
      logPath, "--json",    "--device-type", std::to_string(row)};
  std::vector<char*> cargs;
  for (auto& a : args) {
    cargs.push_back(a.data());
  }
  cargs.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);

  std::printf("bsl-flash of %s (%u characters) to a device of row %d at %u baud, throttled\n",
              std::string(BuiltInFirmware().productName).c_str(), BuiltInFirmware().expectedLength,
              row, device.bootBaud);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  if (posix_spawn(&pid, cli.c_str(), &actions, nullptr, cargs.data(), environ) != 0) {
    std::fprintf(stderr, "cannot start %s\n", cli.c_str());
    return 1;
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  posix_spawn_file_actions_destroy(&actions);
  server.Stop();

  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "bsl-flash failed (status %d); see %s and %s\n", status, outPath.c_str(),
                 logPath.c_str());
    return 1;
  }
  FirmwareImage image;
  LoadEmbeddedFirmware(image);
  const bool matches = server.WithModel<sim::BootloaderDevice>([&](sim::BootloaderDevice& d) {
    return sim::CompareWithImage(d.flash(), image.imageText, image.vectors).empty();
  });

  // Each byte is 10 bits on the line; host and device take turns.
  const double bytesPerSecond = device.bootBaud / 10.0;
  const size_t toDevice = server.Received().size();
  const size_t toHost = server.Sent().size();
  const double bound = static_cast<double>(toDevice + toHost) / bytesPerSecond + kMandatedPausesS;
  const double cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  const double ratio = wall / bound;
  const double cpuShare = 100.0 * cpu / wall;

  std::printf("flash matches the image:   %s\n", matches ? "yes" : "NO");
  std::printf("bytes on the wire:         %zu to the device + %zu to the host\n", toDevice, toHost);
  std::printf(
      "bound:                     %.2f s (%.2f s of bytes at %.0f bytes/s + %.2f s of "
      "prescribed pauses)\n",
      bound, bound - kMandatedPausesS, bytesPerSecond, kMandatedPausesS);
  std::printf("wall time:                 %.2f s\n", wall);
  std::printf("ratio wall / bound:        %.4f\n", ratio);
  std::printf("CPU time of bsl-flash:     %.3f s (%.3f %% of wall)\n", cpu, cpuShare);
  const bool met = matches && ratio <= 1.03 && cpuShare <= 1.0;
  std::printf("targets (ratio <= 1.03, CPU <= 1 %% of wall): %s\n", met ? "met" : "NOT met");
  return matches ? 0 : 1;
}
