// SerialBackend over POSIX termios: real ports and pseudo-terminals.
#pragma once

#include "serial/serial_backend.h"

namespace vesk {

class PosixSerialBackend final : public SerialBackend {
 public:
  PosixSerialBackend() = default;
  ~PosixSerialBackend() override;
  PosixSerialBackend(const PosixSerialBackend&) = delete;
  PosixSerialBackend& operator=(const PosixSerialBackend&) = delete;

  PortError Open(const std::string& name, uint32_t baud) override;
  bool IsOpen() const override { return fd_ >= 0; }
  long Handle() const override { return fd_; }
  PortError Close() override;
  PortTransfer Read(char* dest, size_t capacity) override;
  PortTransfer Write(const char* data, size_t length) override;
  PortError SetBaud(uint32_t baud) override;
  void PurgeInput() override;
  bool WaitReadable(std::chrono::milliseconds timeout) override;

 private:
  int fd_ = -1;
};

// The device path for a port name: names without a slash are looked up under /dev.
std::string PosixDevicePath(const std::string& name);

// Win32-style error number for an errno value.
int PortErrorForErrno(int err);

}  // namespace vesk
