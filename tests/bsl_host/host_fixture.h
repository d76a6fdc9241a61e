// A VeskBSLHost on a real pseudo-terminal, with the simulated boot-loader device at the far end.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bsl/bsl_host.h"
#include "bsl/device_type_table.h"
#include "framework/device_server.h"
#include "log/vesk_log.h"
#include "models/bootloader_device.h"
#include "serial/posix_serial_backend.h"
#include "support/temp_dir.h"

namespace vesk::test {

// Records every progress report; asks to stop at the `stopAt`-th report of `stopKind`.
class RecordingProgress final : public BslProgress {
 public:
  struct Call {
    uint32_t total;
    uint32_t done;
    int phase;
    char kind;
  };
  bool ReportProgress(uint32_t total, uint32_t done, int phase, char kind) override {
    calls.push_back({total, done, phase, kind});
    if (kind == stopKind && ++seen == stopAt) {
      return false;
    }
    return true;
  }
  std::vector<Call> Of(char kind) const {
    std::vector<Call> out;
    for (const Call& c : calls) {
      if (c.kind == kind) {
        out.push_back(c);
      }
    }
    return out;
  }

  std::vector<Call> calls;
  char stopKind = 0;
  int stopAt = 0;
  int seen = 0;
};

// One framed command as the device received it.
struct SentFrame {
  char letter;
  std::string payload;
};

// The framed commands in what the device received, in order.
inline std::vector<SentFrame> FramesIn(const std::string& received) {
  std::vector<SentFrame> frames;
  size_t begin = 0;
  while (begin < received.size()) {
    size_t end = received.find('\r', begin);
    if (end == std::string::npos) {
      end = received.size();
    }
    const std::string line = received.substr(begin, end - begin);
    const size_t dot = line.rfind('.');
    if (!line.empty() && std::string("g@WXV").find(line[0]) != std::string::npos &&
        dot != std::string::npos && dot + 5 == line.size()) {
      frames.push_back({line[0], line.substr(1, dot - 1)});
    }
    begin = end + 1;
  }
  return frames;
}

// Polls `condition` until it holds or a generous time has passed.
template <typename Condition>
bool WaitFor(Condition condition, std::chrono::seconds limit = std::chrono::seconds(20)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

class HostOnSimulator : public testing::Test {
 protected:
  // The device of table row `row`, restarting quickly so tests need not wait.
  static sim::BootloaderOptions DeviceOfRow(int row) {
    sim::BootloaderOptions options = sim::BootloaderOptionsForRow(row);
    options.restartTime = std::chrono::milliseconds(100);
    return options;
  }

  void StartDevice(sim::BootloaderOptions options, sim::ServerOptions serverOptions = {}) {
    StartModel(std::make_unique<sim::BootloaderDevice>(std::move(options)),
               std::move(serverOptions));
  }

  // Any device at the far end, e.g. a scripted one that gives the answers a test needs.
  void StartModel(std::unique_ptr<sim::DeviceModel> model, sim::ServerOptions serverOptions = {}) {
    server = std::make_unique<sim::DeviceServer>(std::move(model), std::move(serverOptions));
    server->Start();
    host = std::make_unique<VeskBSLHost>(backend, &log, DefaultPump(), &progress);
  }

  template <typename Fn>
  auto Device(Fn&& fn) {
    return server->WithModel<sim::BootloaderDevice>(std::forward<Fn>(fn));
  }

  // The whole update as the rescue command runs it; the first failure, or the vectors' result.
  int32_t Update(const DeviceDescriptor& d, uint32_t attempts = 3) {
    int32_t r = BSLConnect(*host, server->portPath().c_str(), static_cast<uint32_t>(d.bootBaud),
                           true, attempts);
    if (r > 0) {
      r = BSLEraseINFO(*host, d.infoStart, d.infoSegments, d.infoSegmentSize, d.extendedAddresses);
    }
    if (r > 0) {
      r = BSLEraseFlash(*host, d.flashStart, d.flashEnd, d.extendedAddresses);
    }
    if (r > 0) {
      r = BSLSendFirmware(*host, d.extendedAddresses);
    }
    if (r > 0) {
      r = BSLSendVectors(*host);
    }
    BSLDisconnect(*host);
    return r;
  }

  // Differences between the device's flash and the host's image; empty when they match.
  std::vector<std::string> FlashVersusImage() {
    return Device([this](sim::BootloaderDevice& device) {
      auto differences =
          sim::CompareWithImage(device.flash(), host->image.imageText, host->image.vectors);
      if (device.flash().dirtyBytes() != 0) {
        differences.push_back("bytes written over unerased flash: " +
                              std::to_string(device.flash().dirtyBytes()));
      }
      return differences;
    });
  }

  std::string LogText() const { return ReadFile(log.path()); }

  TempDir dir;
  VeskLog log{dir.File("log.txt").c_str(), kLogDetail, false};
  PosixSerialBackend backend;
  RecordingProgress progress;
  std::unique_ptr<sim::DeviceServer> server;
  std::unique_ptr<VeskBSLHost> host;
};

inline DeviceDescriptor DescriptorOfRow(int row) {
  DeviceDescriptor d;
  BuildDeviceDescriptor(row, kVersionNotAsked, d);
  return d;
}

}  // namespace vesk::test
