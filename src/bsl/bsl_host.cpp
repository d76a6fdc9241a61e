#include "bsl/bsl_host.h"

#include "bsl/bsl_host_internal.h"
#include "bsl/embedded_firmware.h"
#include "serial/timing.h"

namespace vesk {
namespace {

constexpr uint32_t kDisconnectPauseMs = 100;

BslProgress& SilentProgress() {
  static NoProgress none;  // holds no state
  return none;
}

}  // namespace

namespace bsl_detail {

void Pause(VeskBSLHost& host, uint32_t ms) {
  DelayMs(ms, *host.pump);
}

int32_t SendPlain(VeskBSLHost& host, std::string_view text) {
  size_t written = 0;
  const int32_t result = DSWrite(host, text.data(), text.size(), written);
  if (result < 0) {
    return result;
  }
  return written == text.size() ? result : kSerialFailed;
}

int32_t ReadPlain(VeskBSLHost& host, char* dest, size_t capacity) {
  size_t got = 0;
  const int32_t result = DSRead(host, dest, capacity - 1, got);
  dest[result < 0 ? 0 : got] = '\0';
  return result;
}

uint32_t SinceMs(uint32_t start) {
  return TickMs() - start;
}

}  // namespace bsl_detail

VeskBSLHost::VeskBSLHost(SerialBackend& backendIn, VeskLog* logIn, MessagePump& pumpIn,
                         BslProgress* progressIn)
    : VeskSerial(backendIn, logIn, pumpIn),
      hostLog(logIn),
      progress(progressIn != nullptr ? progressIn : &SilentProgress()),
      ownBackend_(&backendIn) {
  LoadEmbeddedFirmware(image);
}

VeskBSLHost::~VeskBSLHost() {
  BSLDisconnect(*this);
}

int32_t BSLDisconnect(VeskBSLHost& host) {
  if (host.HandedOff()) {
    // The port belongs to the object that handed it over; closing it here would pull it from
    // under that object.
    BSLReleasePort(host);
    return 0;
  }
  if (!host.connected) {
    return 0;
  }
  const int32_t result = DSClose(host);
  host.connected = false;
  bsl_detail::Pause(host, kDisconnectPauseMs);
  return result;
}

int32_t BSLHandOff(VeskBSLHost& host, SerialBackend* port, char* buffer, const char* portName,
                   bool progress, uint32_t attempts) {
  if (port == nullptr || buffer == nullptr || portName == nullptr) {
    LogWrite(host.hostLog, kLogFailure, bsl_detail::kHostTag,
             "BSLHandOff called with some NULL parameters");
    return kBslOutOfRange;
  }
  if (!host.HandedOff()) {
    BSLDisconnect(host);  // a port of its own would stay open, unreachable, until destruction
  } else {
    BSLReleasePort(host);
  }
  host.backend = port;
  host.gReadBuffer = buffer;
  host.ownsReadBuffer = false;
  host.readPending = false;
  host.baudRate = kBslFirmwareBaud;
  host.portName = std::string_view(portName).substr(0, kPortNameLimit - 1);
  host.reportProgress = progress;
  host.bslRetries = attempts == 0 ? kBslDefaultRetries : attempts;
  host.connected = true;
  return 1;
}

int32_t BSLReleasePort(VeskBSLHost& host) {
  if (host.HandedOff()) {
    host.backend = host.ownBackend_;
    host.gReadBuffer = nullptr;
    host.ownsReadBuffer = false;
    host.readPending = false;
    host.connected = false;
  }
  return 1;
}

}  // namespace vesk
