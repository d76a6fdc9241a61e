#include "bsl/bsl_frame.h"

#include <cstdio>
#include <cstring>

namespace vesk {
namespace {

constexpr uint32_t kChecksumModulus = 65535;
constexpr unsigned char kGarbledAck1 = 0xC3;
constexpr unsigned char kGarbledAck2 = 0xF0;

// The answer up to its first NUL, as the host's string tests see it.
std::string_view AsText(std::string_view answer) {
  const size_t nul = answer.find('\0');
  return nul == std::string_view::npos ? answer : answer.substr(0, nul);
}

}  // namespace

uint16_t BslChecksum(char letter, std::string_view payload) {
  uint32_t sum = static_cast<unsigned char>(letter) + static_cast<uint32_t>('.');
  for (char c : payload) {
    sum += static_cast<unsigned char>(c);
  }
  return static_cast<uint16_t>(sum % kChecksumModulus);
}

size_t BuildBslFrame(char letter, std::string_view payload, std::span<char> dest) {
  const size_t length = payload.size() + kBslFrameOverhead;
  if (payload.size() > kBslMaxPayload || dest.size() < length + 1) {
    return 0;
  }
  dest[0] = letter;
  std::memcpy(dest.data() + 1, payload.data(), payload.size());
  // ".XXXX\r" and the NUL snprintf adds: seven bytes, all inside dest (checked above).
  std::snprintf(dest.data() + 1 + payload.size(), 7, ".%04X\r", BslChecksum(letter, payload));
  return length;
}

size_t FormatHexPayload(std::span<const uint32_t> numbers, bool fiveDigits, std::span<char> dest) {
  const size_t digits = fiveDigits ? 5 : 4;
  const uint32_t limit = fiveDigits ? 0xFFFFF : 0xFFFF;
  if (numbers.size() * digits + 1 > dest.size()) {
    return 0;
  }
  size_t at = 0;
  for (uint32_t n : numbers) {
    if (n > limit) {
      return 0;
    }
    std::snprintf(dest.data() + at, digits + 1, fiveDigits ? "%05X" : "%04X", n);
    at += digits;
  }
  return at;
}

int32_t ClassifyBslAnswer(BslAnswerRules rules, std::string_view answer, int32_t transportError) {
  const bool hex = rules == BslAnswerRules::kCommandHex;
  // The single-character tests look at the bytes themselves; "contains" stops at a NUL.
  const std::string_view text = AsText(answer);
  const char first = answer.empty() ? '\0' : answer[0];
  const char second = answer.size() < 2 ? '\0' : answer[1];
  const auto length = static_cast<int32_t>(answer.size());
  if (first == '+' && !answer.empty()) {
    return length;
  }
  if (second == '+') {
    return length;
  }
  if (first == '?' || first == '-') {
    return -1;
  }
  if (!hex && first == '\r') {
    return -1;
  }
  if (hex && text.find("ERROR") != std::string_view::npos) {
    return -1;
  }
  if (first == 'e') {
    return length;
  }
  if (hex && first == ';') {
    return length;
  }
  const auto byte = static_cast<unsigned char>(first);
  if (!hex && (byte == kGarbledAck1 || byte == kGarbledAck2)) {
    return length;
  }
  return transportError < 0 ? transportError : -1;
}

bool ParseBslVersion(std::string_view answer, int32_t& version) {
  char text[32];
  const std::string_view shown = AsText(answer).substr(0, sizeof text - 1);
  std::memcpy(text, shown.data(), shown.size());
  text[shown.size()] = '\0';
  int value = 0;
  if (std::sscanf(text, "+%d+", &value) != 1) {
    return false;
  }
  version = value;
  return true;
}

}  // namespace vesk
