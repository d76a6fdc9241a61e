// The object itself, its options and the single command exchange everything else rests on.
#include "device/quorl_protocol.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include "device/answer_parsing.h"
#include "device/device_name.h"
#include "device/protocol_codes.h"
#include "device/settings_support.h"
#include "serial/timing.h"

namespace vesk {
namespace {

constexpr uint32_t kMaxRetries = 12;
constexpr uint32_t kDefaultSerialRetries = 3;
constexpr uint32_t kDefaultRadioRetries = 5;
constexpr uint32_t kMaxExtraWaitMs = 30000;
constexpr uint32_t kSilentAttemptPauseMs = 50;

// echoMode bits: received text, sent text.
constexpr int kEchoReceived = 1;
constexpr int kEchoSent = 2;

}  // namespace

QUORL_Protocol::QUORL_Protocol(SerialBackend& backendIn, VeskLog* logIn, MessagePump& pumpIn,
                               const WallClock& clock)
    : VeskSerial(backendIn, logIn, pumpIn), clock_(&clock) {
  answerBuffer_.reset(new (std::nothrow) char[kReadBufferSize + 1]);
  portBuffer_.reset(new (std::nothrow) char[kReadBufferSize]);
  if (!answerBuffer_ || !portBuffer_) {
    status = proto::kOutOfMemory;
    return;
  }
  answerBuffer_[0] = '\0';
  std::memset(portBuffer_.get(), 0, kReadBufferSize);
  gReadBuffer = portBuffer_.get();
}

QUORL_Protocol::~QUORL_Protocol() {
  if (connection.kind != connection_kind::kNone) {
    options.keepPortOpen = 0;
    DisconnectDevice(false);
  }
  DSClose(*this);
  gReadBuffer = nullptr;
}

void QUORL_Protocol::SetHooks(ProtocolHooks* hooks) {
  hooks_ = hooks == nullptr ? &defaultHooks_ : hooks;
}

int QUORL_Protocol::CheckDeviceName(std::string_view text) {
  return vesk::CheckDeviceName(text);
}

int QUORL_Protocol::ConfigureProtocol(ProtocolOptions* in, bool set) {
  if (in == nullptr) {
    return proto::kMissingArgument;
  }
  if (!set) {
    *in = options;
    return proto::kOk;
  }
  if (in->serialRetries > kMaxRetries || in->radioRetries > kMaxRetries) {
    return proto::kOutOfRange;
  }
  if (in->serialRetries == 0) {
    in->serialRetries = kDefaultSerialRetries;
  }
  if (in->radioRetries == 0) {
    in->radioRetries = kDefaultRadioRetries;
  }
  if (in->echoMode < 0 || in->echoMode > 3 || in->extraWait > kMaxExtraWaitMs) {
    return proto::kOutOfRange;
  }
  options = *in;
  retries = OverRadio() ? options.radioRetries : options.serialRetries;
  return proto::kOk;
}

void QUORL_Protocol::Echo(int modeBit, std::string_view text) {
  if ((options.echoMode & modeBit) != 0) {
    hooks_->EchoHook(text);
  }
}

int QUORL_Protocol::DeviceCommand(std::string_view command, char prompt, uint32_t timeoutMs,
                                  char* answer, size_t* answerLength, uint32_t* elapsedMs) {
  const uint32_t start = TickMs();
  const char* tag = portName.c_str();
  uint32_t attempt = 0;
  uint32_t silent = 0;
  int result = proto::kOk;
  size_t received = 0;
  char* raw = answerBuffer_.get();
  if (raw == nullptr) {
    return proto::kOutOfMemory;
  }

  while (attempt < retries) {
    ++attempt;
    DSPurge(*this, 1);
    raw[0] = '\0';
    received = 0;

    size_t written = 0;
    int rc = DSWrite(*this, command.data(), command.size(), written);
    Echo(kEchoSent, command);
    if (rc < 0) {
      LogWrite(log, kLogDetail, tag, "DeviceCommand got unexpected response (%d) from DCommWrite",
               rc);
      result = rc;
      break;
    }
    // A wait that merely times out is no failure: whatever arrived is read below.
    rc = DSWait(*this, timeoutMs + options.extraWait, prompt);
    if (rc < 0) {
      LogWrite(log, kLogDetail, tag, "DeviceCommand got unexpected response (%d) from DCommWait",
               rc);
      result = rc;
      break;
    }
    size_t got = 0;
    rc = DSRead(*this, raw, kReadBufferSize, got);
    if (rc < 0) {
      LogWrite(log, kLogDetail, tag, "DeviceCommand got unexpected response (%d) from DCommRead",
               rc);
      result = rc;
      break;
    }
    if (got == 0) {
      ++silent;
      DelayMs(kSilentAttemptPauseMs, *pump);
      result = proto::kAttemptSilent;
      continue;
    }
    received = got;
    raw[received] = '\0';
    Echo(kEchoReceived, std::string_view(raw, received));

    const AnswerClass kind = ClassifyAnswer(std::string_view(raw, received), command);
    if (kind == AnswerClass::kEchoed) {
      LogWrite(log, kLogFailure, tag,
               "DeviceCommand is hearing echoed commands -- device is broken? Relay active?");
      result = proto::kEchoed;
      break;
    }
    if (kind == AnswerClass::kRefused) {
      result = proto::kRefused;
      continue;
    }
    result = proto::kOk;
    break;
  }

  const uint32_t elapsed = TickMs() - start;
  if (elapsedMs != nullptr) {
    *elapsedMs = elapsed;
  }
  if (silent == retries) {
    result = proto::kNoAnswer;
  }
  const bool haveBuffer = answer != nullptr && answerLength != nullptr && *answerLength > 0;
  if (result < 0) {
    if (haveBuffer) {
      answer[0] = '\0';
    }
    if (answerLength != nullptr) {
      *answerLength = 0;
    }
    return result;
  }
  if (haveBuffer) {
    const size_t copied = received < *answerLength - 1 ? received : *answerLength - 1;
    std::memcpy(answer, raw, copied);
    answer[copied] = '\0';
    *answerLength = copied;
    if (copied < received) {
      const std::string shown(command);
      LogWrite(log, kLogDetail, tag, "DeviceCommand got %d more bytes than expected (%s)",
               static_cast<int>(received - copied), shown.c_str());
    }
  }
  if (IsEmptyAnswer(std::string_view(raw, received))) {
    LogWrite(log, kLogDetail, tag, "DeviceCommand: device returned empty answer");
    return proto::kEmptyAnswer;
  }
  return static_cast<int>(received);
}

// --- Helpers of the commands built on DeviceCommand ---------------------------------------------

bool QUORL_Protocol::Exchange::Has(const char* text) const {
  return std::strstr(answer, text) != nullptr;
}

int QUORL_Protocol::Ask(Exchange& ex, const char* command, char prompt, uint32_t timeoutMs) {
  ex.length = ex.capacity < sizeof ex.answer ? ex.capacity : sizeof ex.answer;
  return DeviceCommand(command, prompt, timeoutMs, ex.answer, &ex.length, &ex.ms);
}

namespace {

// Formats a command line into `command`; false when it does not fit. A cut command would reach
// the device as a different one, so callers send nothing then.
bool FormatCommand(char (&command)[192], const char* format, va_list args) {
  const int n = std::vsnprintf(command, sizeof command, format, args);
  return n >= 0 && static_cast<size_t>(n) < sizeof command;
}

}  // namespace

int QUORL_Protocol::AskFormatted(Exchange& ex, char prompt, uint32_t timeoutMs, const char* format,
                                 ...) {
  char command[192];
  va_list args;
  va_start(args, format);
  const bool fits = FormatCommand(command, format, args);
  va_end(args);
  if (!fits) {
    return proto::kOutOfRange;
  }
  return Ask(ex, command, prompt, timeoutMs);
}

int QUORL_Protocol::SendSetting(Exchange& ex, Confirm confirm, Refusal refusal, const char* format,
                                ...) {
  char command[192];
  va_list args;
  va_start(args, format);
  const bool fits = FormatCommand(command, format, args);
  va_end(args);
  if (!fits) {
    return proto::kOutOfRange;
  }
  const int rc = Ask(ex, command);
  if (rc < 0) {
    return rc == proto::kRefused && refusal == Refusal::kTextRefused ? proto::kRefusedSetting : rc;
  }
  if (ex.Has("OK")) {
    return proto::kOk;
  }
  if (confirm == Confirm::kOkOrOldPrompt && OldFirmware() && ex.Has("\r>")) {
    return proto::kOk;
  }
  return proto::kBadAnswer;
}

void QUORL_Protocol::LogDetail(const char* format, ...) {
  va_list args;
  va_start(args, format);
  LogWriteV(log, kLogDetail, portName.c_str(), format, args);
  va_end(args);
}

void QUORL_Protocol::LogFailure(const char* format, ...) {
  va_list args;
  va_start(args, format);
  LogWriteV(log, kLogFailure, portName.c_str(), format, args);
  va_end(args);
}

void QUORL_Protocol::LogAt(uint32_t level, const char* source, const char* format, ...) {
  va_list args;
  va_start(args, format);
  LogWriteV(log, level, source, format, args);
  va_end(args);
}

int QUORL_Protocol::TraitHasRadio() const {
  return vesk::TraitHasRadio(info);
}

int QUORL_Protocol::TraitHasCellular() const {
  return vesk::TraitHasCellular(info);
}

}  // namespace vesk
