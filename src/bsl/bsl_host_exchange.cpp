// One framed command and its answer, and setting the write address.
#include <cstdio>
#include <cstring>

#include "bsl/bsl_host.h"
#include "bsl/bsl_host_internal.h"
#include "serial/timing.h"

namespace vesk {

using bsl_detail::kAnswerWaitMs;
using bsl_detail::kHostTag;
using bsl_detail::kRetryPauseMs;

namespace {

// Sends the frame in host.frameBuffer and judges the answer.
int32_t Exchange(VeskBSLHost& host, size_t frameLength, char awaited, BslAnswerRules rules,
                 BslAnswer& answer, uint32_t& elapsedMs) {
  const uint32_t start = TickMs();
  int32_t transportError = 0;
  DSPurge(host, 1);
  size_t written = 0;
  int32_t step = DSWrite(host, host.frameBuffer.data(), frameLength, written);
  if (step >= 0 && written != frameLength) {
    step = kSerialFailed;
  }
  if (step < 0) {
    LogWrite(host.hostLog, kLogFailure, kHostTag,
             "BSLCommand got unexpected response (%d) from DCommWrite", step);
    transportError = step;
  }
  step = DSWait(host, kAnswerWaitMs, awaited);
  if (step < 0) {
    // A wait that only timed out is not a failure: whatever did come is read all the same.
    LogWrite(host.hostLog, kLogFailure, kHostTag,
             "BSLCommand got unexpected response (%d) from DCommWait", step);
    transportError = step;
  }
  size_t got = 0;
  step = DSRead(host, answer.text.data(), kBslAnswerBytes, got);
  if (step < 0) {
    LogWrite(host.hostLog, kLogFailure, kHostTag,
             "BSLCommand got unexpected response (%d) from DCommRead", step);
    transportError = step;
    got = 0;
  }
  answer.text[got] = '\0';
  answer.length = got;
  elapsedMs = bsl_detail::SinceMs(start);
  if (got == 0) {
    return kBslNoAnswer;
  }
  return ClassifyBslAnswer(rules, answer.view(), transportError);
}

}  // namespace

int32_t BSLCommand(VeskBSLHost& host, char letter, const char* payload, size_t length, char awaited,
                   BslAnswer* answer, uint32_t& elapsedMs) {
  elapsedMs = 0;
  if (answer == nullptr || (payload == nullptr && letter != 'g')) {
    return kBslMissingArgument;
  }
  if (length > kBslMaxPayload) {
    return kBslOutOfRange;
  }
  if (!host.connected) {
    return kBslNoAnswer;
  }
  const std::string_view text =
      payload == nullptr ? std::string_view() : std::string_view(payload, length);
  const size_t frameLength = BuildBslFrame(letter, text, host.frameBuffer);
  if (frameLength == 0) {
    return kBslOutOfRange;
  }
  return Exchange(host, frameLength, awaited, BslAnswerRules::kCommand, *answer, elapsedMs);
}

int32_t BSLCommandHex(VeskBSLHost& host, char letter, const uint32_t* numbers, size_t count,
                      char awaited, BslAnswer* answer, uint32_t& elapsedMs, bool fiveDigits) {
  elapsedMs = 0;
  if (answer == nullptr || (numbers == nullptr && count > 0)) {
    return kBslMissingArgument;
  }
  if (count > kBslMaxNumbers) {
    return kBslOutOfRange;
  }
  // 128 numbers of five digits would not fit one frame; the payload is built apart and refused
  // when it is longer than a frame takes.
  std::array<char, kBslMaxPayload + 1> payload{};
  const size_t length =
      count == 0 ? 0 : FormatHexPayload(std::span(numbers, count), fiveDigits, payload);
  if (count > 0 && length == 0) {
    return kBslOutOfRange;
  }
  if (!host.connected) {
    return kBslNoAnswer;
  }
  const size_t frameLength =
      BuildBslFrame(letter, std::string_view(payload.data(), length), host.frameBuffer);
  if (frameLength == 0) {
    return kBslOutOfRange;
  }
  return Exchange(host, frameLength, awaited, BslAnswerRules::kCommandHex, *answer, elapsedMs);
}

int32_t BSLSendAddress(VeskBSLHost& host, uint32_t address, bool fiveDigits) {
  char payload[8];
  int32_t result = kBslNoAttempt;
  if (address > (fiveDigits ? 0xFFFFFu : 0xFFFFu)) {
    // Fewer digits than the address needs would set another address than the one meant.
    result = kBslOutOfRange;
  } else {
    std::snprintf(payload, sizeof payload, fiveDigits ? "%05X" : "%04X", address);
    for (uint32_t attempt = 0; attempt < host.bslRetries; ++attempt) {
      BslAnswer answer;
      uint32_t ms = 0;
      result = BSLCommand(host, '@', payload, std::strlen(payload), '\r', &answer, ms);
      if (result > 0) {
        break;
      }
      bsl_detail::Pause(host, kRetryPauseMs);
    }
  }
  if (result > 0) {
    LogWrite(host.hostLog, kLogResult, kHostTag, "BSLSendAddress (%05X) successful", address);
  } else {
    LogWrite(host.hostLog, kLogFailure, kHostTag, "BSLSendAddress (%05X) failed with error %d",
             address, result);
  }
  return result;
}

}  // namespace vesk
