// A PosixSerialBackend that counts the calls the serial layer makes, to show when it does or does
// not touch the port.
#pragma once

#include "serial/posix_serial_backend.h"

namespace vesk::test {

class CountingBackend final : public SerialBackend {
 public:
  PortError Open(const std::string& name, uint32_t baud) override { return real.Open(name, baud); }
  bool IsOpen() const override { return real.IsOpen(); }
  long Handle() const override { return real.Handle(); }
  PortError Close() override { return real.Close(); }
  PortTransfer Read(char* dest, size_t capacity) override {
    ++reads;
    return real.Read(dest, capacity);
  }
  PortTransfer Write(const char* data, size_t length) override { return real.Write(data, length); }
  PortError SetBaud(uint32_t baud) override {
    ++baudChanges;
    return real.SetBaud(baud);
  }
  void PurgeInput() override {
    ++purges;
    real.PurgeInput();
  }
  bool WaitReadable(std::chrono::milliseconds timeout) override {
    return real.WaitReadable(timeout);
  }

  PosixSerialBackend real;
  int reads = 0;
  int baudChanges = 0;
  int purges = 0;
};

}  // namespace vesk::test
