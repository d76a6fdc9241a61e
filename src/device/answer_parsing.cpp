#include "device/answer_parsing.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "device/protocol_codes.h"
#include "text/hex_digits.h"

namespace vesk {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

const char* SkipSpace(const char* p) {
  while (*p != '\0' && IsSpace(*p)) {
    ++p;
  }
  return p;
}

// Reads an optionally signed decimal number at `p` (after white space), as "%d" would, advancing
// `p` past it. Magnitudes beyond `limit` are refused rather than wrapped.
std::optional<int64_t> ScanSigned(const char*& p, int64_t limit) {
  const char* q = SkipSpace(p);
  bool negative = false;
  if (*q == '+' || *q == '-') {
    negative = *q == '-';
    ++q;
  }
  if (!IsDigit(*q)) {
    return std::nullopt;
  }
  int64_t value = 0;
  bool tooLarge = false;
  while (IsDigit(*q)) {
    if (!tooLarge) {
      value = value * 10 + (*q - '0');
      tooLarge = value > limit;
    }
    ++q;
  }
  p = q;
  if (tooLarge) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

std::optional<int32_t> ScanInt(const char*& p) {
  const char* q = p;
  auto value = ScanSigned(q, 2147483648LL);
  if (!value || *value > 2147483647LL || *value < -2147483648LL) {
    return std::nullopt;
  }
  p = q;
  return static_cast<int32_t>(*value);
}

std::optional<uint32_t> ScanUnsigned(const char*& p) {
  const char* q = p;
  auto value = ScanSigned(q, 4294967295LL);
  if (!value) {
    return std::nullopt;
  }
  p = q;
  // Like "%u": a negative number wraps around.
  return static_cast<uint32_t>(static_cast<uint64_t>(*value));
}

bool Expect(const char*& p, char c) {
  if (*p != c) {
    return false;
  }
  ++p;
  return true;
}

// The text at `offset` characters from `p`, or nothing when the text ends before that.
const char* At(const char* p, size_t offset) {
  return strnlen(p, offset) < offset ? nullptr : p + offset;
}

}  // namespace

AnswerClass ClassifyAnswer(std::string_view answer, std::string_view command) {
  if (!command.empty() && answer.find(command) != std::string_view::npos) {
    return AnswerClass::kEchoed;
  }
  if (answer.find("ERROR") != std::string_view::npos ||
      answer.find('?') != std::string_view::npos ||
      answer.find("Unsupported") != std::string_view::npos) {
    return AnswerClass::kRefused;
  }
  return AnswerClass::kAccepted;
}

bool IsEmptyAnswer(std::string_view answer) {
  return answer.substr(0, 3) == "\r\r>";
}

std::optional<int32_t> ReadInt(const char* text) {
  return ScanInt(text);
}

std::optional<int32_t> ReadIntAfterCR(const char* text) {
  return ReadInt(AfterFirstCR(text));
}

std::optional<uint32_t> ReadHex(const char* text) {
  const char* p = SkipSpace(text);
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexValue(p[2]) >= 0) {
    p += 2;
  }
  if (HexValue(*p) < 0) {
    return std::nullopt;
  }
  uint64_t value = 0;
  for (; HexValue(*p) >= 0; ++p) {
    value = value * 16 + static_cast<uint64_t>(HexValue(*p));
    if (value > 0xFFFFFFFFull) {
      return std::nullopt;
    }
  }
  return static_cast<uint32_t>(value);
}

std::optional<uint32_t> ReadUnsigned(const char* text) {
  return ScanUnsigned(text);
}

std::optional<double> ReadDouble(const char* text) {
  const char* start = SkipSpace(text);
  char* end = nullptr;
  const double value = std::strtod(start, &end);
  if (end == start || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

const char* AfterFirstCR(const char* text) {
  const char* cr = std::strchr(text, '\r');
  return cr == nullptr ? text : cr + 1;
}

std::string_view ReadWord(const char* text, size_t max) {
  const char* p = SkipSpace(text);
  size_t n = 0;
  while (n < max && p[n] != '\0' && !IsSpace(p[n])) {
    ++n;
  }
  return std::string_view(p, n);
}

namespace {

// The text at `p` up to the line's end (at most `max` characters); a prompt there means the
// device had nothing to say.
TextRead ReadTextAt(const char* p, size_t max) {
  if (*p == '>') {
    return {proto::kEmptyAnswer, {}};
  }
  size_t n = 0;
  while (n < max && p[n] != '\0' && p[n] != '\r') {
    ++n;
  }
  if (n == 0) {
    return {proto::kBadAnswer, {}};
  }
  return {proto::kOk, std::string_view(p, n)};
}

}  // namespace

TextRead ReadText(const char* text, size_t max) {
  return ReadTextAt(SkipSpace(text), max);
}

TextRead ReadLineAfterCR(const char* text, size_t max) {
  return ReadTextAt(AfterFirstCR(text), max);
}

FiveInts ReadFiveInts(const char* text) {
  FiveInts result;
  const char* p = text;
  for (uint8_t& value : result.values) {
    auto read = ScanInt(p);
    if (!read) {
      break;
    }
    value = (*read < 0 || *read > 255) ? 255 : static_cast<uint8_t>(*read);
    ++result.count;
  }
  return result;
}

const char* RadioValueOf(const char* text) {
  const char* k = std::strchr(text, 'K');
  if (k == nullptr) {
    return text;
  }
  // "OK" at the very end leaves no value; never step past the terminator.
  return k[1] == '\0' ? k + 1 : k + 2;
}

bool IsFourHexDigits(std::string_view text) {
  if (text.size() != 4) {
    return false;
  }
  for (char c : text) {
    if (HexValue(c) < 0) {
      return false;
    }
  }
  return true;
}

std::optional<std::string_view> VersionLineOf(std::string_view answer) {
  size_t start = 0;
  while (start < answer.size() && answer[start] == '\r') {
    ++start;
  }
  const size_t cr = answer.find('\r', start);
  if (cr == std::string_view::npos) {
    return std::nullopt;
  }
  const size_t length = cr - start < 20 ? cr - start : 20;
  return answer.substr(start, length);
}

std::optional<VersionFields> ParseVersionLine(std::string_view line) {
  char text[21] = {};
  const size_t n = line.size() < 20 ? line.size() : 20;
  std::memcpy(text, line.data(), n);

  VersionFields fields;
  const char* p = SkipSpace(text);
  const char* wordStart = p;
  while (*p != '\0' && !IsSpace(*p)) {
    ++p;
  }
  if (p == wordStart) {
    return std::nullopt;
  }
  CopyTruncated(fields.word, std::string_view(wordStart, static_cast<size_t>(p - wordStart)));
  // major.minor with an optional patch digit; "%1d" takes exactly one digit.
  auto major = ScanSigned(p, 20000000);
  if (!major || !Expect(p, '.') || !IsDigit(*p)) {
    return std::nullopt;
  }
  const int minor = *p++ - '0';
  const int patch = IsDigit(*p) ? *p - '0' : 0;
  fields.version = static_cast<int32_t>(*major * 100 + minor * 10 + patch);
  return fields;
}

std::optional<int32_t> ParseDottedVersion(std::string_view text) {
  char buffer[21] = {};
  const size_t n = text.size() < 20 ? text.size() : 20;
  std::memcpy(buffer, text.data(), n);
  const char* p = buffer;
  auto major = ScanSigned(p, 20000000);
  if (!major || !Expect(p, '.') || !IsDigit(p[0]) || !IsDigit(p[1])) {
    return std::nullopt;
  }
  return static_cast<int32_t>(*major * 100 + (p[0] - '0') * 10 + (p[1] - '0'));
}

ShowAnswer ParseShowAnswer(const char* answer) {
  ShowAnswer show;
  if (const char* id = std::strstr(answer, "ID:")) {
    show.hasId = true;
    if (const char* at = At(id, 4)) {
      show.name = ReadWord(at, 8);
    }
  }
  if (const char* label = std::strstr(answer, "Version:")) {
    show.hasVersion = true;
    if (const char* at = At(label, 9)) {
      show.versionText = ReadWord(at, 20);
      if (!show.versionText.empty()) {
        show.version = ParseDottedVersion(show.versionText);
      }
    }
  }
  auto intAfter = [answer](const char* label, size_t offset) -> std::optional<int32_t> {
    const char* found = std::strstr(answer, label);
    const char* at = found == nullptr ? nullptr : At(found, offset);
    return at == nullptr ? std::nullopt : ReadInt(at);
  };
  show.rmode = intAfter("Radio:", 7);
  show.wake = intAfter("Wake:", 6);
  show.resets = intAfter("Resets:", 8);
  return show;
}

uint32_t AdcCheckSum(const Ports& slopes, const Ports& offsets) {
  uint32_t sum = 0;
  for (size_t i = 0; i < slopes.size(); ++i) {
    sum += slopes[i] + offsets[i];
  }
  return sum % 256;
}

AdcNumbers ReadAdcNumbers(const char* text) {
  AdcNumbers numbers;
  const char* p = text;
  for (uint32_t& value : numbers.values) {
    auto read = ScanUnsigned(p);
    if (!read) {
      break;
    }
    value = *read;
    ++numbers.count;
  }
  return numbers;
}

bool IsAuthKey(std::string_view key) {
  if (key.size() < 32) {
    return false;
  }
  for (size_t i = 0; i < 32; ++i) {
    if (HexValue(key[i]) < 0) {
      return false;
    }
  }
  return true;
}

std::optional<int> BaudRateCode(uint32_t rate) {
  switch (rate) {
    case 9600:
      return 0;
    case 19200:
      return 1;
    case 38400:
      return 2;
    case 57600:
      return 3;
    case 115200:
      return 4;
    case 230400:
      return 5;
    case 460800:
      return 6;
    default:
      return std::nullopt;
  }
}

std::optional<ClockFields> ReadClockFields(const char* answer) {
  static constexpr char kLabel[] = "Date\\Time:";
  const char* label = std::strstr(answer, kLabel);
  const char* p = label == nullptr ? answer : label + sizeof kLabel - 1;
  ClockFields f;
  // "%d-%d-%d %d:%d:%d": each separator must be there for the next number to count.
  int* targets[] = {&f.year, &f.month, &f.day, &f.hour, &f.minute, &f.second};
  const char separators[] = {'-', '-', ' ', ':', ':'};
  for (size_t i = 0; i < 6; ++i) {
    if (i > 0) {
      const char sep = separators[i - 1];
      if (sep == ' ') {
        p = SkipSpace(p);
      } else if (!Expect(p, sep)) {
        return std::nullopt;
      }
    }
    auto value = ScanInt(p);
    if (!value) {
      return std::nullopt;
    }
    *targets[i] = *value;
  }
  return f;
}

std::optional<int32_t> ReadClockSeconds(const char* answer) {
  auto value = ReadUnsigned(answer);
  if (!value) {
    return std::nullopt;
  }
  return static_cast<int32_t>(*value);
}

int EraseConfirmationResult(int rc, const char* answer) {
  if (rc > 0) {
    if (std::strstr(answer, "OK") != nullptr) {
      return proto::kOk;
    }
    if (std::strstr(answer, "DataFlash FAIL") != nullptr) {
      return proto::kDataFlashBroken;
    }
    return proto::kBadAnswer;
  }
  if (rc == proto::kRefused || rc == proto::kAttemptSilent || rc == proto::kNoAnswer) {
    return proto::kDataFlashBroken;
  }
  return rc;
}

}  // namespace vesk
