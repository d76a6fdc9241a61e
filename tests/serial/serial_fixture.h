// A VeskSerial on a real pseudo-terminal, with a scripted device at the other end.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "counting_backend.h"
#include "framework/device_server.h"
#include "log/vesk_log.h"
#include "models/scripted_peer.h"
#include "serial/vesk_serial.h"
#include "support/temp_dir.h"

namespace vesk::test {

class SerialOnPty : public testing::Test {
 protected:
  // Starts the device with `script`; call once per test before opening the port.
  void StartDevice(std::unique_ptr<sim::ScriptedPeer> script) {
    server = std::make_unique<sim::DeviceServer>(std::move(script));
    server->Start();
  }

  int32_t Open(uint32_t baud = 9600) { return DSOpen(port, server->portPath(), baud); }

  // Sends `command` and waits for `ch` like the device layers do.
  int32_t Exchange(const std::string& command, char ch, uint32_t timeoutMs) {
    size_t written = 0;
    DSPurge(port, 1);
    DSWrite(port, command.data(), command.size(), written);
    return DSWait(port, timeoutMs, ch);
  }

  std::string Read(size_t capacity, int32_t* result = nullptr) {
    std::string text(capacity, '\0');
    size_t got = 0;
    const int32_t r = DSRead(port, text.data(), capacity, got);
    if (result != nullptr) {
      *result = r;
    }
    text.resize(got);
    return text;
  }

  std::string LogText() const { return ReadFile(log.path()); }

  TempDir dir;
  VeskLog log{dir.File("log.txt").c_str(), 40, false};
  CountingBackend backend;
  VeskSerial port{backend, &log};
  std::unique_ptr<sim::DeviceServer> server;
};

}  // namespace vesk::test
