#include "serial/vesk_serial.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "serial/timing.h"

namespace vesk {
namespace {

constexpr const char* kSerialTag = "VeskSerial";
constexpr int kReopenPauseMs = 100;
// DSWait: with a time-out above this, every empty read after the first five pauses 200 ms.
constexpr uint32_t kLongWaitMs = 400;
constexpr uint32_t kIdlePauseMs = 200;
constexpr int kEmptyReadsBeforePause = 5;

const char* Tag(const VeskSerial& port) {
  return port.portName.c_str();
}

void LogOpenFailure(VeskSerial& port, const PortError& error) {
  const char* tag = Tag(port);
  switch (error.stage) {
    case OpenStage::kOpen:
      LogWrite(port.log, kLogFailure, tag, "DSOpen failed to open comm port (error %d)",
               error.code);
      break;
    case OpenStage::kReadSettings:
      LogWrite(port.log, kLogFailure, tag, "DSOpen failed to retreive DCB on comm port (error %d)",
               error.code);
      break;
    case OpenStage::kApplySettings:
      LogWrite(port.log, kLogFailure, tag, "DSOpen failed to apply DCB on comm port (error %d)",
               error.code);
      break;
    case OpenStage::kSetTimeouts:
      LogWrite(port.log, kLogFailure, tag, "DSOpen failed to set timeouts on comm port (error %d)",
               error.code);
      break;
  }
  if (!error.detail.empty()) {
    LogWrite(port.log, kLogFailure, tag, "DSOpen: %s", error.detail.c_str());
  }
}

uint32_t ElapsedMs(std::chrono::steady_clock::time_point start) {
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now() - start)
                                   .count());
}

}  // namespace

VeskSerial::VeskSerial(SerialBackend& backendIn, VeskLog* logIn, MessagePump& pumpIn)
    : log(logIn), backend(&backendIn), pump(&pumpIn) {}

VeskSerial::~VeskSerial() {
  backend->Close();
}

int32_t DSOpen(VeskSerial& port, const std::string& name, uint32_t baud) {
  if (port.backend->IsOpen()) {
    LogWrite(port.log, kLogTraffic, kSerialTag, "DSOpen found port \"%ld\" already open",
             port.backend->Handle());
    DSClose(port);
    std::this_thread::sleep_for(std::chrono::milliseconds(kReopenPauseMs));
  }
  port.portName = name.substr(0, kPortNameLimit - 1);
  port.baudRate = baud == 0 ? kDefaultBaud : baud;

  const PortError error = port.backend->Open(port.portName, port.baudRate);
  if (error) {
    LogOpenFailure(port, error);
    return -error.code;
  }
  if (port.gReadBuffer == nullptr) {
    port.allocatedBuffer_.reset(new (std::nothrow) char[kReadBufferSize]);
    if (!port.allocatedBuffer_) {
      return kSerialNoBuffer;
    }
    port.gReadBuffer = port.allocatedBuffer_.get();
    port.ownsReadBuffer = true;
  } else if (port.gReadBuffer != port.allocatedBuffer_.get()) {
    port.ownsReadBuffer = false;
  }
  std::memset(port.gReadBuffer, 0, kReadBufferSize);
  port.readPending = false;
  LogWrite(port.log, kLogDetail, Tag(port),
           "DSOpen successfully opened and configured comm port at %u baud", port.baudRate);
  return 1;
}

int32_t DSClose(VeskSerial& port) {
  if (!port.backend->IsOpen()) {
    return 0;
  }
  const PortError error = port.backend->Close();
  if (port.ownsReadBuffer && port.gReadBuffer != nullptr) {
    port.allocatedBuffer_.reset();
    port.gReadBuffer = nullptr;
    port.ownsReadBuffer = false;
  }
  if (error) {
    LogWrite(port.log, kLogFailure, Tag(port), "DSClose failed to close comm port (error %d)",
             error.code);
    return -error.code;
  }
  LogWrite(port.log, kLogDetail, Tag(port), "DSClose closed comm port");
  return 1;
}

int32_t DSRead(VeskSerial& port, char* dest, size_t capacity, size_t& got) {
  got = 0;
  if (port.gReadBuffer == nullptr) {
    return kSerialNoBuffer;
  }
  if (port.gReadBuffer[0] != '\0') {
    size_t n = strnlen(port.gReadBuffer, kReadBufferSize);
    if (n > capacity) {
      n = capacity;
      port.readPending = true;
    }
    std::memcpy(dest, port.gReadBuffer, n);
    got = n;
    port.gReadBuffer[0] = '\0';
    LogWrite(port.log, kLogTraffic, Tag(port), "DSRead read %zu bytes from gReadBuffer", n);
  }
  if (port.readPending) {
    port.readPending = false;
    return static_cast<int32_t>(got);
  }
  if (!port.backend->IsOpen()) {
    LogWrite(port.log, kLogFailure, kSerialTag, "DSRead tried to read from a closed port");
    return kSerialFailed;
  }
  const PortTransfer t = port.backend->Read(dest + got, capacity - got);
  if (t.error) {
    LogWrite(port.log, kLogFailure, Tag(port), "DSRead ReadFile failed (error %d)", t.error.code);
    return kSerialFailed;
  }
  got += t.bytes;
  LogWrite(port.log, kLogTraffic, Tag(port), "DSRead read %zu btyes", got);
  return static_cast<int32_t>(got);
}

int32_t DSWrite(VeskSerial& port, const char* data, size_t length, size_t& written) {
  written = 0;
  if (!port.backend->IsOpen()) {
    LogWrite(port.log, kLogFailure, kSerialTag, "DSWrite tried to write to a closed port");
    return kSerialFailed;
  }
  const PortTransfer t = port.backend->Write(data, length);
  if (t.error) {
    LogWrite(port.log, kLogFailure, Tag(port), "DSWrite WriteFile failed (error %d)", t.error.code);
    return kSerialFailed;
  }
  written = t.bytes;
  LogWrite(port.log, kLogTraffic, Tag(port), "DSWrite wrote %zu bytes", written);
  return static_cast<int32_t>(written);
}

int32_t DSPurge(VeskSerial& port, int mode) {
  if (mode == 1 && port.backend->IsOpen()) {
    port.backend->PurgeInput();
  }
  if (port.gReadBuffer != nullptr) {
    port.gReadBuffer[0] = '\0';
  }
  return 0;
}

int32_t DSWait(VeskSerial& port, uint32_t msTimeout, char ch) {
  if (!port.backend->IsOpen()) {
    LogWrite(port.log, kLogFailure, kSerialTag, "DSWait tried to operate on a closed port");
    return kSerialFailed;
  }
  if (port.gReadBuffer == nullptr) {
    return kSerialNoBuffer;
  }
  const auto start = std::chrono::steady_clock::now();
  char* buffer = port.gReadBuffer;
  size_t collected = 0;
  int emptyReads = 0;
  buffer[0] = '\0';
  for (;;) {
    const size_t room = kReadBufferSize - 1 - collected;
    if (room == 0) {
      // Nothing more fits, so the character can no longer arrive; waiting out the time-out
      // would only delay the caller.
      LogWrite(port.log, kLogTraffic, Tag(port),
               "DSWait filled its buffer with %zu bytes, but never found '%c' in %u ms", collected,
               ch, ElapsedMs(start));
      return 0;
    }
    const PortTransfer t = port.backend->Read(buffer + collected, room);
    if (t.error) {
      LogWrite(port.log, kLogFailure, Tag(port), "DSWait ReadFile failed (error %d)", t.error.code);
      return kSerialFailed;
    }
    if (t.bytes > 0) {
      collected += t.bytes;
      buffer[collected] = '\0';
      if (std::memchr(buffer, ch, strnlen(buffer, collected)) != nullptr) {
        port.readPending = true;
        LogWrite(port.log, kLogTraffic, Tag(port), "DSWait found '%c' in %u ms", ch,
                 ElapsedMs(start));
        return static_cast<unsigned char>(ch);
      }
      continue;
    }
    const uint32_t elapsed = ElapsedMs(start);
    if (elapsed > msTimeout) {
      LogWrite(port.log, kLogTraffic, Tag(port),
               "DSWait read %zu bytes, but never found '%c' in %u ms", collected, ch, elapsed);
      return 0;
    }
    if (++emptyReads > kEmptyReadsBeforePause && msTimeout > kLongWaitMs) {
      // Keeps the window alive between polls, but returns the moment input arrives.
      DelayUntilInput(kIdlePauseMs, *port.pump, *port.backend);
    }
  }
}

int32_t DSHostBaud(VeskSerial& port, uint32_t rate) {
  if (rate == port.baudRate) {
    return 0;
  }
  if (port.portName.empty()) {
    return kSerialNeverOpened;
  }
  const PortError error = port.backend->SetBaud(rate);
  if (error) {
    LogWrite(port.log, kLogFailure, Tag(port),
             "DSHostBaud failed to apply new baud rate \"%u\" (error %d)", rate, error.code);
    return -error.code;
  }
  port.baudRate = rate;
  return 1;
}

}  // namespace vesk
