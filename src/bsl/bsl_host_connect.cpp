// Reaching the boot loader: starting it from the running firmware, finding one that already
// listens, and connecting to it.
#include <cstdio>
#include <cstring>

#include "bsl/bsl_host.h"
#include "bsl/bsl_host_internal.h"

namespace vesk {

using bsl_detail::kHostTag;
using bsl_detail::kRetryPauseMs;
using bsl_detail::Pause;
using bsl_detail::ReadPlain;
using bsl_detail::SendPlain;

namespace {

constexpr const char* kBootCommandFormat = "boot %s\r";
constexpr const char* kBootToken = "OIEM";
constexpr uint32_t kOpenSettleMs = 1000;
constexpr uint32_t kBootAnswerMs = 750;
constexpr uint32_t kHandshakeMs = 100;
constexpr uint32_t kCheckAnswerMs = 200;
constexpr uint32_t kAttachAnswerMs = 175;
// Plain answers are read into 31 bytes and a NUL.
constexpr size_t kPlainAnswerSize = 32;

// Sends `text`, gives the device `pauseMs` to answer and reads what came into `answer`.
int32_t SendAndListen(VeskBSLHost& host, const char* text, uint32_t pauseMs, char* answer,
                      size_t size) {
  int32_t io = SendPlain(host, text);
  if (io >= 0) {
    Pause(host, pauseMs);
    io = ReadPlain(host, answer, size);
  }
  return io;
}

bool Contains(const char* text, const char* part) {
  return std::strstr(text, part) != nullptr;
}

}  // namespace

int32_t BSLConnect(VeskBSLHost& host, const char* portName, uint32_t baud, bool progress,
                   uint32_t attempts) {
  if (portName == nullptr || portName[0] == '\0') {
    return kBslMissingArgument;
  }
  if (host.HandedOff()) {
    BSLReleasePort(host);
  }
  host.reportProgress = progress;
  host.bslRetries = attempts;
  const int32_t opened = DSOpen(host, portName, kBslFirmwareBaud);
  if (opened < 0) {
    LogWrite(host.hostLog, kLogFailure, kHostTag,
             "BSLConnect received error while opening serial port (%d)", opened);
    return opened;
  }
  host.connected = true;
  Pause(host, kOpenSettleMs);

  int32_t result = kBslNoAttempt;
  for (uint32_t attempt = 0; attempt < host.bslRetries; ++attempt) {
    const int32_t invoked = BSLInvocation(host, baud);
    if (invoked < 0) {
      const int32_t found = BSLCheck(host, portName, baud);
      // A boot loader that waits at a speed other than 9600 (a device whose update was cut
      // short) never hears "boot"; BSLCheck finds it at its own speed, and it only needs "P".
      const bool takenOver = found == kBslActive || (found == kBslWaiting && BSLAttach(host) > 0);
      if (!takenOver) {
        result = invoked;
        break;
      }
    }
    BslAnswer answer;
    uint32_t ms = 0;
    const int32_t asked = BSLCommand(host, 'g', "", 0, '\r', &answer, ms);
    if (asked < 0) {
      result = asked;
      Pause(host, kRetryPauseMs);
      continue;
    }
    if (answer.view().find("ERROR") != std::string_view::npos) {
      result = kBslUnreachable;
      Pause(host, kRetryPauseMs);
      continue;
    }
    int32_t version = 0;
    if (ParseBslVersion(answer.view(), version) && version > 0) {
      host.bslVersion = version;
      result = version;
      break;
    }
    // An answer the boot loader accepted but that tells no version: without one the host
    // cannot say what it is talking to, so it asks again and, in the end, gives up.
    result = kBslUnreachable;
  }

  if (result < 0) {
    BSLDisconnect(host);
    LogWrite(host.hostLog, kLogFailure, kHostTag,
             "BSLConnect failed to connect to device (error %d)", result);
  } else {
    LogWrite(host.hostLog, kLogResult, kHostTag,
             "BSLConnect connected to device running VeskBSL version %d", host.bslVersion);
  }
  return result;
}

int32_t BSLInvocation(VeskBSLHost& host, uint32_t baud) {
  int32_t result = 1;
  bool endedEarly = false;
  char answer[kPlainAnswerSize];
  char command[16];
  std::snprintf(command, sizeof command, kBootCommandFormat, kBootToken);

  // Phase one: ask the running firmware to start its boot loader.
  for (uint32_t attempt = 0; attempt < host.bslRetries && !endedEarly; ++attempt) {
    DSPurge(host, 1);
    if (baud != kBslFirmwareBaud) {
      DSHostBaud(host, kBslFirmwareBaud);
    }
    int32_t io = SendAndListen(host, command, kBootAnswerMs, answer, sizeof answer);
    if (io < 0) {
      result = io;
      endedEarly = true;
      break;
    }
    if (Contains(answer, "ERROR")) {
      result = kBslUnreachable;
      Pause(host, kRetryPauseMs);
    } else if (Contains(answer, "VeskBSL MISSING")) {
      result = kBslMissing;
      endedEarly = true;
    } else if (Contains(answer, "?")) {
      result = kBslActive;
      endedEarly = true;
    } else if (answer[0] == '\0') {
      result = kBslMissing;
      Pause(host, kRetryPauseMs);
    } else {
      // "OK" or "$$" say the boot loader started. Any other answer ends the attempts with the
      // result as it stands; the handshake then shows whether a boot loader listens.
      if (Contains(answer, "OK") || Contains(answer, "$$")) {
        result = 1;
      }
      endedEarly = true;
    }
  }

  // Phase two: the boot loader should now wait for a connection at its own speed.
  uint32_t tries = 0;
  if (endedEarly && result > 0) {
    if (baud != kBslFirmwareBaud) {
      DSHostBaud(host, baud);
    }
    for (uint32_t attempt = 0; attempt < host.bslRetries; ++attempt) {
      ++tries;
      int32_t io = SendAndListen(host, "\r", kHandshakeMs, answer, sizeof answer);
      if (io < 0) {
        result = io;
        break;
      }
      if (answer[0] != '$') {
        result = kBslMissing;
        continue;
      }
      DSPurge(host, 1);
      io = SendAndListen(host, "P", kHandshakeMs, answer, sizeof answer);
      if (io < 0) {
        result = io;
        break;
      }
      if (Contains(answer, "#")) {
        result = 1;
        break;
      }
      result = kBslUnreachable;
      Pause(host, kRetryPauseMs);
    }
  } else if (!endedEarly && result > 0) {
    result = kBslNoAttempt;
  }

  if (result == kBslActive) {
    LogWrite(host.hostLog, kLogResult, kHostTag, "BSLInvocation found the VeskBSL already active");
    return 1;
  }
  if (result > 0) {
    LogWrite(host.hostLog, kLogResult, kHostTag, "BSLInvocation successful (%d tries)",
             static_cast<int>(tries));
  } else {
    LogWrite(host.hostLog, kLogFailure, kHostTag, "BSLInvocation failed with error %d", result);
  }
  return result;
}

int32_t BSLCheck(VeskBSLHost& host, const char* portName, uint32_t baud) {
  if (host.connected) {
    DSHostBaud(host, baud);
  } else {
    if (portName == nullptr || portName[0] == '\0') {
      return kBslMissingArgument;
    }
    const int32_t opened = DSOpen(host, portName, baud);
    if (opened < 0) {
      LogWrite(host.hostLog, kLogFailure, kHostTag,
               "BSLCheck received error while opening serial port (%d)", opened);
      return opened;
    }
    host.connected = true;
  }
  Pause(host, kOpenSettleMs);
  DSPurge(host, 1);
  char answer[kPlainAnswerSize];
  int32_t io = SendAndListen(host, "\r", kCheckAnswerMs, answer, sizeof answer);
  if (io < 0) {
    return io;
  }
  if (Contains(answer, "?")) {
    LogWrite(host.hostLog, kLogResult, kHostTag, "BSLCheck found the VeskBSL already active");
    return kBslActive;
  }
  if (Contains(answer, "$")) {
    LogWrite(host.hostLog, kLogResult, kHostTag,
             "BSLCheck found the VeskBSL waiting for a connection");
    return kBslWaiting;
  }
  LogWrite(host.hostLog, kLogDetail, kHostTag, "BSLCheck didn't get a response from the VeskBSL");
  return kBslNoAnswer;
}

int32_t BSLAttach(VeskBSLHost& host) {
  int32_t result = kBslNoAttempt;
  uint32_t tries = 0;
  char answer[kPlainAnswerSize];
  for (uint32_t attempt = 0; attempt < host.bslRetries; ++attempt) {
    ++tries;
    DSPurge(host, 1);
    int32_t io = SendAndListen(host, "\r", kCheckAnswerMs, answer, sizeof answer);
    if (io < 0) {
      result = io;
      break;
    }
    if (Contains(answer, "?\r")) {
      result = kBslActive;
      break;
    }
    DSPurge(host, 1);
    io = SendAndListen(host, "P", kAttachAnswerMs, answer, sizeof answer);
    if (io < 0) {
      result = io;
      break;
    }
    if (answer[0] == '#') {
      result = 1;
      break;
    }
    result = kBslUnreachable;
    Pause(host, kRetryPauseMs);
  }

  if (result == kBslActive) {
    LogWrite(host.hostLog, kLogResult, kHostTag, "BSLAttach found the VeskBSL already active");
    return 1;
  }
  if (result > 0) {
    LogWrite(host.hostLog, kLogResult, kHostTag, "BSLAttach successful (%d tries)",
             static_cast<int>(tries));
  } else {
    LogWrite(host.hostLog, kLogFailure, kHostTag, "BSLAttach failed with error %d", result);
  }
  return result;
}

}  // namespace vesk
