#include "models/bootloader_frames.h"

namespace vesk::sim {
namespace {

constexpr size_t kChecksumDigits = 4;
constexpr size_t kMaxWriteDigits = 512;
constexpr size_t kVectorDigits = 16 * 4;

int Digit(char c, bool upperOnly) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  if (!upperOnly && c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  return -1;
}

bool Hex(std::string_view digits, bool upperOnly, uint32_t& value) {
  value = 0;
  for (char c : digits) {
    const int d = Digit(c, upperOnly);
    if (d < 0) {
      return false;
    }
    value = value * 16 + static_cast<uint32_t>(d);
  }
  return !digits.empty();
}

// Words written high byte first, stored in memory low byte first.
bool Words(std::string_view digits, std::string& bytes) {
  if (digits.empty() || digits.size() % 4 != 0) {
    return false;
  }
  bytes.clear();
  for (size_t i = 0; i < digits.size(); i += 4) {
    uint32_t word = 0;
    if (!Hex(digits.substr(i, 4), false, word)) {
      return false;
    }
    bytes.push_back(static_cast<char>(word & 0xFF));
    bytes.push_back(static_cast<char>(word >> 8));
  }
  return true;
}

}  // namespace

uint16_t DeviceChecksum(std::string_view text) {
  uint32_t sum = 0;
  for (char c : text) {
    sum = (sum + static_cast<unsigned char>(c)) % 65535u;
  }
  return static_cast<uint16_t>(sum);
}

FrameCheck ReadFrame(std::string_view line, int addressDigits, BootloaderFrame& out) {
  if (line.empty()) {
    return FrameCheck::kStray;
  }
  const char letter = line[0];
  if (letter != 'g' && letter != '@' && letter != 'W' && letter != 'X' && letter != 'V') {
    return FrameCheck::kStray;
  }
  if (line.size() < 2 + kChecksumDigits || line[line.size() - kChecksumDigits - 1] != '.') {
    return FrameCheck::kBad;
  }
  const size_t dot = line.size() - kChecksumDigits - 1;
  uint32_t checksum = 0;
  if (!Hex(line.substr(dot + 1), true, checksum) ||
      checksum != DeviceChecksum(line.substr(0, dot + 1))) {
    return FrameCheck::kBad;
  }
  const std::string_view payload = line.substr(1, dot - 1);
  out = BootloaderFrame{};
  out.letter = letter;
  switch (letter) {
    case 'g':
      return payload.empty() ? FrameCheck::kGood : FrameCheck::kBad;
    case '@':
    case 'X':
      return payload.size() == static_cast<size_t>(addressDigits) &&
                     Hex(payload, false, out.address)
                 ? FrameCheck::kGood
                 : FrameCheck::kBad;
    case 'W':
      return payload.size() <= kMaxWriteDigits && Words(payload, out.data) ? FrameCheck::kGood
                                                                           : FrameCheck::kBad;
    default:  // 'V'
      return payload.size() == kVectorDigits && Words(payload, out.data) ? FrameCheck::kGood
                                                                         : FrameCheck::kBad;
  }
}

}  // namespace vesk::sim
