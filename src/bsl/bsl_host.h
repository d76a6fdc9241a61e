// VeskBSLHost: the program's side of the VeskBSL boot loader's line protocol.
//
// The host is a serial port (VeskSerial) that holds the firmware image and offers one operation
// per protocol step. An update runs
//   BSLConnect                      (opens the port, starts the boot loader, reads its version)
//   or BSLHandOff, BSLCheck, BSLAttach   (drives a port another object opened)
// then BSLEraseINFO, BSLEraseFlash, BSLSendFirmware, BSLSendVectors, and finally BSLDisconnect
// (own port) or BSLReleasePort (handed-off port).
//
// Every operation returns a signed 32-bit result; positive is success.
//    -1    the boot loader refused a command ("-", "?", carriage return or "ERROR"), or gave no
//          usable answer
//   -10    missing argument, or no image
//   -11    argument out of range: payload too long, a number too large for its digits, image not
//          starting with "@" or with an address the device cannot take, erase start inside
//          0xFA00-0xFFFF, missing hand-off data
//   -21    not connected, no answer to a framed command, or no answer to BSLCheck
//   -22    no attempt could be made (zero attempts)
//   -40    the progress callback asked to stop
//   -60    buffers cannot be allocated at construction (hostStatus)
//   -80    the boot loader is already connected; BSLConnect, BSLInvocation and BSLAttach treat it
//          as success
//   -81    the boot loader is waiting for a connection
//   -110   the firmware refused "boot", the boot loader did not answer "P" with "#", or it
//          answered "g" with "ERROR" or without a version
//   -112   the device has no working boot loader ("VeskBSL MISSING", no answer to "boot", or no
//          "$" after it)
//   other negatives: serial-port errors (serial/vesk_serial.h)
//
// Log lines go to hostLog with the source "VeskBSL".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "bsl/bsl_frame.h"
#include "bsl/bsl_progress.h"
#include "bsl/firmware_image.h"
#include "log/vesk_log.h"
#include "serial/vesk_serial.h"

namespace vesk {

inline constexpr int32_t kBslRefused = -1;
inline constexpr int32_t kBslMissingArgument = -10;
inline constexpr int32_t kBslOutOfRange = -11;
inline constexpr int32_t kBslNoAnswer = -21;
inline constexpr int32_t kBslNoAttempt = -22;
inline constexpr int32_t kBslCancelled = -40;
inline constexpr int32_t kBslNoMemory = -60;
inline constexpr int32_t kBslActive = -80;
inline constexpr int32_t kBslWaiting = -81;
inline constexpr int32_t kBslUnreachable = -110;
inline constexpr int32_t kBslMissing = -112;

// Attempts BSLHandOff uses when it is given 0.
inline constexpr uint32_t kBslDefaultRetries = 3;
// The boot loader's speed while the application firmware runs.
inline constexpr uint32_t kBslFirmwareBaud = 9600;
// Bytes of an answer to a framed command that the host reads.
inline constexpr size_t kBslAnswerBytes = 20;
// Most numbers one BSLCommandHex frame carries.
inline constexpr size_t kBslMaxNumbers = 128;
// Characters of one "W" block (256 bytes).
inline constexpr size_t kBslBlockChars = 512;
// Main flash is erased in segments of this size.
inline constexpr uint32_t kBslFlashSegment = 512;
// The boot loader and the vectors live from here to 0xFFFF; nothing there is erased.
inline constexpr uint32_t kBslProtectedStart = 0xFA00;
inline constexpr uint32_t kBslProtectedEnd = 0xFFFF;

// The answer to a framed command: up to 20 bytes and a NUL.
struct BslAnswer {
  std::array<char, kBslAnswerBytes + 1> text{};
  size_t length = 0;
  std::string_view view() const { return std::string_view(text.data(), length); }
};

struct VeskBSLHost : VeskSerial {
  // `backend` is the host's own port; `progress` (optional) hears about erasing and uploading.
  // Loads the embedded image; image.hostStatus tells whether that went well.
  VeskBSLHost(SerialBackend& backend, VeskLog* log, MessagePump& pump = DefaultPump(),
              BslProgress* progress = nullptr);
  // Closes a port the host opened; forgets, never closes, a handed-off one.
  ~VeskBSLHost();
  VeskBSLHost(const VeskBSLHost&) = delete;
  VeskBSLHost& operator=(const VeskBSLHost&) = delete;

  // The version the boot loader reported to "g".
  int32_t bslVersion = 0;
  // The firmware image the host writes (the embedded one unless replaced).
  FirmwareImage image;
  VeskLog* hostLog;
  // The host holds a port: opened by BSLConnect or BSLCheck, or adopted by BSLHandOff.
  bool connected = false;
  // Call the progress callback during erase and upload.
  bool reportProgress = false;
  // Attempts per boot-loader command and per handshake step.
  uint32_t bslRetries = 0;
  std::array<char, kBslFrameBufferSize> frameBuffer{};
  std::array<char, kBslFrameBufferSize> blockBuffer{};
  // Never null: the owner's callback, or one that never asks to stop.
  BslProgress* progress;

  // True between BSLHandOff and BSLReleasePort.
  bool HandedOff() const { return backend != ownBackend_; }

 private:
  friend int32_t BSLHandOff(VeskBSLHost&, SerialBackend*, char*, const char*, bool, uint32_t);
  friend int32_t BSLReleasePort(VeskBSLHost&);
  SerialBackend* ownBackend_;
};

// Opens `portName` at 9600, starts the boot loader (or takes over one that already listens) and
// asks its version. Returns the version or an error; on an error the port is closed again.
int32_t BSLConnect(VeskBSLHost& host, const char* portName, uint32_t baud, bool progress,
                   uint32_t attempts);
// Closes the host's own port (the DSClose result), or forgets a handed-off one; 0 when the host
// held none.
int32_t BSLDisconnect(VeskBSLHost& host);
// Drives `port`, an open port of another object, with that object's receive buffer. 1; -11 when
// the port, the buffer or the name is missing. `attempts` 0 means 3.
int32_t BSLHandOff(VeskBSLHost& host, SerialBackend* port, char* buffer, const char* portName,
                   bool progress, uint32_t attempts);
// Gives a handed-off port back without closing it. 1.
int32_t BSLReleasePort(VeskBSLHost& host);
// Sends "boot OIEM" to the running firmware and connects to the boot loader at `baud`.
int32_t BSLInvocation(VeskBSLHost& host, uint32_t baud);
// Connects to a boot loader that waits for a connection.
int32_t BSLAttach(VeskBSLHost& host);
// What listens on the line: -80 a connected boot loader, -81 one waiting for a connection, -21
// nothing recognisable, or a port error.
int32_t BSLCheck(VeskBSLHost& host, const char* portName, uint32_t baud);

// One framed command with a text payload ("g", "@", "W"). Returns the answer's length or an
// error: -10 no answer buffer, or no payload for a letter other than "g"; -11 payload longer than
// 512; -21 not connected or no answer.
int32_t BSLCommand(VeskBSLHost& host, char letter, const char* payload, size_t length, char awaited,
                   BslAnswer* answer, uint32_t& elapsedMs);
// One framed command whose payload is numbers in hex ("X", "V"), four digits each or five with
// `fiveDigits`. -11 for more than 128 numbers or a number too large for its digits.
int32_t BSLCommandHex(VeskBSLHost& host, char letter, const uint32_t* numbers, size_t count,
                      char awaited, BslAnswer* answer, uint32_t& elapsedMs, bool fiveDigits);

int32_t BSLSendAddress(VeskBSLHost& host, uint32_t address, bool fiveDigits);
int32_t BSLEraseINFO(VeskBSLHost& host, int32_t start, int32_t segments, int32_t size,
                     bool fiveDigits);
int32_t BSLEraseFlash(VeskBSLHost& host, int32_t start, int32_t end, bool fiveDigits);
int32_t BSLSendFirmware(VeskBSLHost& host, bool fiveDigits);
// 0 or positive: a device often restarts before its acknowledgement gets out.
int32_t BSLSendVectors(VeskBSLHost& host);

}  // namespace vesk
