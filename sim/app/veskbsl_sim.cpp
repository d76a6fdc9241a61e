// veskbsl-sim: serves a simulated device on a pseudo-terminal for manual runs and the demo.
#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <map>

#include "app/device_family.h"
#include "framework/device_server.h"

namespace {

// Set by the signal handler; the main loop polls it.
volatile std::sig_atomic_t gStopRequested = 0;

void RequestStop(int) {
  gStopRequested = 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vesk::sim;
  CLI::App app{"Simulated Norquil Devices equipment on a pseudo-terminal."};
  app.name("veskbsl-sim");

  auto families = AllDeviceFamilies();
  std::map<std::string, DeviceFamily*> byDevice;
  std::string deviceHelp = "The device to simulate:";
  for (auto& family : families) {
    for (const auto& [name, description] : family->Devices()) {
      byDevice[name] = family.get();
      deviceHelp += "\n  " + name + ": " + description;
    }
  }

  std::string device;
  ServerOptions options;
  bool dumpState = false;
  uint64_t silentAfter = 0;
  app.add_option("--device", device, deviceHelp)->required();
  app.add_option("--link", options.linkPath,
                 "Make PATH a symbolic link to the pseudo-terminal (the comm port to open)")
      ->required();
  app.add_flag("--throttle", options.throttle, "Pace the line at the baud rate the host has set");
  app.add_option("--drop-rate", options.faults.dropRate, "Chance that a byte from the host is lost")
      ->check(CLI::Range(0.0, 1.0));
  app.add_option("--corrupt-rate", options.faults.corruptRate,
                 "Chance that a byte from the host arrives with one bit flipped")
      ->check(CLI::Range(0.0, 1.0));
  app.add_option("--silent-after", silentAfter,
                 "Fall silent after this many bytes from the host (a pulled cable)");
  app.add_option("--seed", options.faults.seed, "Seed for the fault generator");
  app.add_flag("--dump-state", dumpState, "Print the device's state when stopping");
  for (auto& family : families) {
    family->AddOptions(app);
  }
  CLI11_PARSE(app, argc, argv);

  auto found = byDevice.find(device);
  if (found == byDevice.end()) {
    std::cerr << "veskbsl-sim: unknown device \"" << device << "\" (see --help)\n";
    return 2;
  }
  if (silentAfter > 0) {
    options.faults.silentAfterBytes = silentAfter;
  }

  try {
    DeviceServer server(found->second->Make(device), options);
    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
    server.Start();
    std::cout << "veskbsl-sim: serving " << device << " on " << server.portPath() << std::endl;
    while (!gStopRequested) {
      struct timespec pause {
        0, 50'000'000
      };
      nanosleep(&pause, nullptr);
    }
    server.Stop();
    std::cout << "veskbsl-sim: stopped" << std::endl;
    if (dumpState) {
      std::cout << server.WithModel<DeviceModel>([](DeviceModel& m) { return m.Describe(); });
    }
  } catch (const std::exception& e) {
    std::cerr << "veskbsl-sim: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
