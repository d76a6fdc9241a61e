// VeskSerial: one serial port and the DS* operations every device layer talks through.
//
// The layer is half-duplex and line-oriented in use: empty the input (DSPurge), write a command
// (DSWrite), wait for the character that ends the answer (DSWait), then take what came (DSRead).
//
// Result codes:
//    1 (or a byte count, or the awaited character)  success
//    0   nothing done, or a wait that timed out
//   -2   no such port                       -5   port in use by another program, or denied
//   -6   DSHostBaud on a port never opened  -21  port closed, or a read or write failed
//   -60  no receive buffer                  other negatives: the system's error, negated
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "log/vesk_log.h"
#include "serial/message_pump.h"
#include "serial/serial_backend.h"

namespace vesk {

inline constexpr size_t kReadBufferSize = 2048;
inline constexpr uint32_t kDefaultBaud = 9600;
inline constexpr size_t kPortNameLimit = 64;

inline constexpr int32_t kSerialNeverOpened = -6;
inline constexpr int32_t kSerialFailed = -21;
inline constexpr int32_t kSerialNoBuffer = -60;

struct VeskSerial {
  // `backend` and `pump` must outlive the port; `log` may be null (nothing is logged).
  explicit VeskSerial(SerialBackend& backend, VeskLog* log = nullptr,
                      MessagePump& pump = DefaultPump());
  ~VeskSerial();
  VeskSerial(const VeskSerial&) = delete;
  VeskSerial& operator=(const VeskSerial&) = delete;

  VeskLog* log;
  SerialBackend* backend;
  MessagePump* pump;
  uint32_t baudRate = 0;
  std::string portName;  // also the source tag of the port's log lines
  // Receive buffer of kReadBufferSize bytes holding NUL-terminated text. An owner may supply one
  // before the first DSOpen; otherwise DSOpen allocates it and DSClose frees it.
  char* gReadBuffer = nullptr;
  bool readPending = false;
  bool ownsReadBuffer = false;

 private:
  friend int32_t DSOpen(VeskSerial&, const std::string&, uint32_t);
  friend int32_t DSClose(VeskSerial&);
  std::unique_ptr<char[]> allocatedBuffer_;
};

int32_t DSOpen(VeskSerial& port, const std::string& name, uint32_t baud);
int32_t DSClose(VeskSerial& port);
int32_t DSRead(VeskSerial& port, char* dest, size_t capacity, size_t& got);
int32_t DSWrite(VeskSerial& port, const char* data, size_t length, size_t& written);
int32_t DSPurge(VeskSerial& port, int mode);
int32_t DSWait(VeskSerial& port, uint32_t msTimeout, char ch);
int32_t DSHostBaud(VeskSerial& port, uint32_t rate);

// True while the port is open.
inline bool DSIsOpen(const VeskSerial& port) {
  return port.backend->IsOpen();
}

}  // namespace vesk
