// A QUORL_Protocol talking through its real serial layer to a simulated device on a
// pseudo-terminal.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device/quorl_protocol.h"
#include "framework/device_server.h"
#include "log/vesk_log.h"
#include "models/command_line_device_kinds.h"
#include "models/command_line_device_model.h"
#include "serial/posix_serial_backend.h"
#include "support/temp_dir.h"

namespace vesk::test {

// The computer's clock standing still at a chosen time.
class FixedWallClock final : public WallClock {
 public:
  std::optional<std::time_t> Now() const override { return now; }
  std::optional<std::time_t> now = 1462104000;  // 2016-05-01 12:00:00 UTC
};

// Counts the opens, to tell whether a connection reused the port.
class OpenCountingBackend final : public SerialBackend {
 public:
  PortError Open(const std::string& name, uint32_t baud) override {
    ++opens;
    return real.Open(name, baud);
  }
  bool IsOpen() const override { return real.IsOpen(); }
  long Handle() const override { return real.Handle(); }
  PortError Close() override { return real.Close(); }
  PortTransfer Read(char* dest, size_t capacity) override { return real.Read(dest, capacity); }
  PortTransfer Write(const char* data, size_t length) override { return real.Write(data, length); }
  PortError SetBaud(uint32_t baud) override { return real.SetBaud(baud); }
  void PurgeInput() override { real.PurgeInput(); }
  bool WaitReadable(std::chrono::milliseconds timeout) override {
    return real.WaitReadable(timeout);
  }

  PosixSerialBackend real;
  int opens = 0;
};

// Sets the process's time zone (POSIX TZ) for the life of the object.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* tz) {
    const char* old = std::getenv("TZ");
    if (old != nullptr) {
      saved_ = old;
    }
    setenv("TZ", tz, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (saved_) {
      setenv("TZ", saved_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  std::optional<std::string> saved_;
};

class ProtocolOnSim : public testing::Test {
 protected:
  void Serve(std::unique_ptr<sim::DeviceModel> model) {
    server = std::make_unique<sim::DeviceServer>(std::move(model));
    server->Start();
  }

  // Serves a preset of command_line_device_kinds.h, changed by `tweak` first.
  void ServePreset(const std::string& name,
                   const std::function<void(sim::CommandLineDeviceConfig&)>& tweak = {}) {
    std::optional<sim::CommandLineDeviceConfig> config = sim::CommandLineDevicePreset(name);
    ASSERT_TRUE(config) << name;
    if (tweak) {
      tweak(*config);
    }
    Serve(std::make_unique<sim::CommandLineDeviceModel>(std::move(*config)));
  }

  // Applies options (retry counts) and connects over serial at `baudIndex`.
  int Connect(int8_t baudIndex = 2) {
    protocol.ConfigureProtocol(&options, true);
    params = ConnectionParams{};
    CopyTruncated(params.portName, server->portPath());
    params.kind = connection_kind::kSerial;
    params.baudIndex = baudIndex;
    return protocol.ConnectDevice(&params);
  }

  // The simulated command-line device's state, read while the simulator holds still.
  template <typename Fn>
  auto OnDevice(Fn&& fn) {
    return server->WithModel<sim::CommandLineDeviceModel>(
        [&fn](sim::CommandLineDeviceModel& model) { return fn(model.device()); });
  }
  std::map<std::string, std::string> Store() {
    return OnDevice([](sim::CommandLineDevice& d) { return d.settings(); });
  }
  std::vector<std::string> Lines() {
    return OnDevice([](sim::CommandLineDevice& d) { return d.lines(); });
  }
  int Count(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
  }

  // Waits (generously) for something the simulator does on its own thread after the host's
  // last write; true once `condition` holds.
  template <typename Fn>
  bool Eventually(Fn&& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
      if (std::chrono::steady_clock::now() > deadline) {
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }

  std::string LogText() const { return ReadFile(log.path()); }
  bool Logged(const std::string& text) const { return LogText().find(text) != std::string::npos; }

  TempDir dir;
  VeskLog log{dir.File("log.txt").c_str(), kLogTraffic, true};
  std::unique_ptr<sim::DeviceServer> server;  // outlives the protocol below
  FixedWallClock wallClock;
  OpenCountingBackend backend;
  QUORL_Protocol protocol{backend, &log, DefaultPump(), wallClock};
  ProtocolOptions options;
  ConnectionParams params;
};

}  // namespace vesk::test
