// The operating system's side of a serial port.
//
// VeskSerial drives whatever backend its owner hands in: the POSIX termios backend on Linux and
// macOS, a Win32 backend on Windows, or a fake in tests. Error codes are Win32-style positive
// numbers (2 no such port, 5 busy or denied, ...) because the layers above were written against
// them; the backend adds a readable detail for the log.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "serial/message_pump.h"

namespace vesk {

// Error numbers the layers above rely on.
inline constexpr int kPortErrorNotFound = 2;  // no such port
inline constexpr int kPortErrorOutOfMemory = 8;
inline constexpr int kPortErrorAccessDenied = 5;       // held by another program, or not permitted
inline constexpr int kPortErrorInvalidParameter = 87;  // not a serial port, unsupported setting
inline constexpr int kPortErrorIoDevice = 1117;        // anything else the device reported

// The step of opening a port that failed; each has its own log line.
enum class OpenStage { kOpen, kReadSettings, kApplySettings, kSetTimeouts };

struct PortError {
  int code = 0;        // 0 on success
  std::string detail;  // what the system said, for the log
  OpenStage stage = OpenStage::kOpen;
  explicit operator bool() const { return code != 0; }
};

struct PortTransfer {
  size_t bytes = 0;
  PortError error;
};

class SerialBackend : public InputSignal {
 public:
  // Opens `name` (COM3, /dev/ttyUSB0, ...) for exclusive use as raw 8N1 at `baud`, with DTR
  // raised and pending input discarded. When a step after the open itself fails, the port stays
  // open (the error's stage says which step) and Close() releases it.
  virtual PortError Open(const std::string& name, uint32_t baud) = 0;
  virtual bool IsOpen() const = 0;
  // A number identifying the open port for the log.
  virtual long Handle() const = 0;
  // Drops DTR and closes. Closing a closed port does nothing.
  virtual PortError Close() = 0;
  // Returns what has arrived at once; when nothing has, waits at most 100 ms for a first byte.
  virtual PortTransfer Read(char* dest, size_t capacity) = 0;
  virtual PortTransfer Write(const char* data, size_t length) = 0;
  virtual PortError SetBaud(uint32_t baud) = 0;
  // Discards input the driver has received but nobody has read.
  virtual void PurgeInput() = 0;
};

}  // namespace vesk
