#include "bsl/ti_text_convert.h"

#include <algorithm>
#include <cstdio>
#include "text/hex_digits.h"

namespace vesk {
namespace {

constexpr uint32_t kVectorStart = 0xFFE0;
constexpr uint32_t kVectorLast = 0xFFFE;
constexpr size_t kVectorWords = 16;
constexpr uint32_t kSkipStart = 0xFA00;
constexpr uint32_t kSkipEnd = 0xFDFF;  // not included
constexpr uint32_t kMaxAddress = 0xFFFFF;

// Reads the hexadecimal address after "@" the way "%x" reads it: blanks and tabs may precede
// it, and so may a "+" and a "0x" prefix (a hand-edited "@0x8000" is 0x8000; stopping at its "x"
// would load the segment at address 0). Digits beyond 0xFFFFF make it unreadable rather than wrap.
bool ReadAddress(std::string_view segment, size_t& pos, uint32_t& address) {
  while (pos < segment.size() && (segment[pos] == ' ' || segment[pos] == '\t')) {
    ++pos;
  }
  if (pos < segment.size() && segment[pos] == '+') {
    ++pos;
  }
  if (pos + 2 < segment.size() && segment[pos] == '0' &&
      (segment[pos + 1] == 'x' || segment[pos + 1] == 'X') && IsHexDigit(segment[pos + 2])) {
    pos += 2;
  }
  const size_t first = pos;
  uint32_t value = 0;
  while (pos < segment.size() && IsHexDigit(segment[pos])) {
    value = value * 16 + static_cast<uint32_t>(HexValue(segment[pos]));
    if (value > kMaxAddress) {
      return false;
    }
    ++pos;
  }
  address = value;
  return pos > first;
}

// Collects the hex digits of a segment's data, in order, ignoring everything else.
std::string HexDigitsOf(std::string_view data) {
  std::string digits;
  digits.reserve(data.size());
  for (char c : data) {
    if (IsHexDigit(c)) {
      digits.push_back(c);
    }
  }
  return digits;
}

// Four digits "LLHH" (low byte first) as the word 0xHHLL.
uint32_t WordOf(const char* group) {
  const int ll = HexValue(group[0]) * 16 + HexValue(group[1]);
  const int hh = HexValue(group[2]) * 16 + HexValue(group[3]);
  return static_cast<uint32_t>(hh * 256 + ll);
}

TITextFault ReadVectors(std::string_view data, uint32_t address,
                        std::array<uint32_t, kVectorWords>& vectors) {
  // An odd start would put every byte into the wrong half of a vector word.
  if (address % 2 != 0) {
    return TITextFault::kVectorOverflow;
  }
  const std::string digits = HexDigitsOf(data);
  if (digits.size() % 4 != 0) {
    return TITextFault::kIncompleteVector;
  }
  const size_t first = (address - kVectorStart) / 2;
  const size_t words = digits.size() / 4;
  if (words > kVectorWords - first) {
    return TITextFault::kVectorOverflow;
  }
  for (size_t w = 0; w < words; ++w) {
    vectors[first + w] = WordOf(digits.data() + 4 * w);
  }
  return TITextFault::kNone;
}

void AppendDataSegment(std::string_view data, uint32_t address, std::string& out) {
  char header[8];
  std::snprintf(header, sizeof header, "@%05X", static_cast<unsigned>(address));
  out += header;
  std::string digits = HexDigitsOf(data);
  // A trailing odd byte or half byte is completed with erased-flash F digits.
  while (digits.size() % 4 != 0) {
    digits.push_back('F');
  }
  for (size_t g = 0; g < digits.size(); g += 4) {
    out.push_back(digits[g + 2]);
    out.push_back(digits[g + 3]);
    out.push_back(digits[g]);
    out.push_back(digits[g + 1]);
  }
}

}  // namespace

const char* DescribeTITextFault(TITextFault fault) {
  switch (fault) {
    case TITextFault::kNone:
      return "no fault";
    case TITextFault::kNoStartOrEnd:
      return "no \"@\" at the first byte, or no closing \"q\"";
    case TITextFault::kBadAddress:
      return "a segment address is missing or above 0xFFFFF";
    case TITextFault::kNoLineFeed:
      return "a segment address line does not end with a line feed";
    case TITextFault::kIncompleteVector:
      return "a vector segment ends in an incomplete word";
    case TITextFault::kVectorOverflow:
      return "a vector segment starts at an odd address or runs past 0xFFFE";
    case TITextFault::kNoVectors:
      return "no vector segment";
  }
  return "unknown fault";
}

bool IsSkippedSegmentAddress(uint32_t address) {
  return address >= kSkipStart && address < kSkipEnd;
}

int32_t ConvertTIText(std::string_view text, TITextConversion& out) {
  out.imageText.clear();
  out.vectors.fill(0xFFFF);
  out.fault = TITextFault::kNone;
  auto refuse = [&out](TITextFault fault) {
    out.imageText.clear();
    out.vectors.fill(0xFFFF);
    out.fault = fault;
    return int32_t{-100};
  };

  const size_t end = text.find('q');
  if (text.empty() || text[0] != '@' || end == std::string_view::npos) {
    return refuse(TITextFault::kNoStartOrEnd);
  }
  out.imageText.reserve(end);
  bool sawVectors = false;
  size_t at = 0;
  while (at < end) {
    // The segment runs to the next "@" or to the "q"; text after the "q" never belongs to it.
    size_t next = text.find('@', at + 1);
    if (next == std::string_view::npos || next > end) {
      next = end;
    }
    const std::string_view segment = text.substr(at + 1, next - at - 1);
    at = next;

    size_t pos = 0;
    uint32_t address = 0;
    if (!ReadAddress(segment, pos, address)) {
      return refuse(TITextFault::kBadAddress);
    }
    const size_t lineEnd = segment.find('\n', pos);
    if (lineEnd == std::string_view::npos) {
      return refuse(TITextFault::kNoLineFeed);
    }
    const std::string_view data = segment.substr(lineEnd + 1);

    if (address >= kVectorStart && address <= kVectorLast) {
      sawVectors = true;
      const TITextFault fault = ReadVectors(data, address, out.vectors);
      if (fault != TITextFault::kNone) {
        return refuse(fault);
      }
    } else if (!IsSkippedSegmentAddress(address)) {
      AppendDataSegment(data, address, out.imageText);
    }
  }
  if (!sawVectors) {
    return refuse(TITextFault::kNoVectors);
  }
  return 1;
}

std::string FormatTIDump(std::string_view imageText, const std::array<uint32_t, 16>& vectors) {
  constexpr size_t kAddressDigits = 5;
  constexpr size_t kLineLength = 32;
  std::string out;
  out.reserve(imageText.size() + imageText.size() / kLineLength + 128);
  size_t column = 0;
  for (size_t i = 0; i < imageText.size(); ++i) {
    if (imageText[i] == '@') {
      const size_t digits = std::min(kAddressDigits, imageText.size() - i - 1);
      out.append(imageText.substr(i, 1 + digits));
      out.push_back('\n');
      i += digits;
      column = 0;
      continue;
    }
    out.push_back(imageText[i]);
    if (++column == kLineLength) {
      out.push_back('\n');
      column = 0;
    }
  }
  char tail[96];
  std::snprintf(tail, sizeof tail,
                "\n@%X\n%04X%04X%04X%04X%04X%04X%04X%04X\n%04X%04X%04X%04X%04X%04X%04X%04X\n",
                0xFFE0u, vectors[0] & 0xFFFF, vectors[1] & 0xFFFF, vectors[2] & 0xFFFF,
                vectors[3] & 0xFFFF, vectors[4] & 0xFFFF, vectors[5] & 0xFFFF, vectors[6] & 0xFFFF,
                vectors[7] & 0xFFFF, vectors[8] & 0xFFFF, vectors[9] & 0xFFFF, vectors[10] & 0xFFFF,
                vectors[11] & 0xFFFF, vectors[12] & 0xFFFF, vectors[13] & 0xFFFF,
                vectors[14] & 0xFFFF, vectors[15] & 0xFFFF);
  out += tail;
  return out;
}

}  // namespace vesk
