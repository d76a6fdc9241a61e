// Reading the answers of the device's command line: pure functions over the answer text.
//
// An answer is what the device sent before (and including) its prompt, for example
// "\rLOGGER1\r>". Functions taking `const char*` read a NUL-terminated answer as the device
// protocol's own buffers hold it; numbers are read the way "%d", "%x" and "%u" read them, except
// that a number too large for 32 bits is not read at all instead of overflowing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string_view>

#include "bsl/fixed_text.h"
#include "device/device_info.h"

namespace vesk {

// --- Classifying an exchange ---------------------------------------------------------------

enum class AnswerClass {
  kAccepted,  // an ordinary answer
  kEchoed,    // the answer holds the command itself: an echoing device or an active relay
  kRefused,   // "ERROR", "Unsupported" or any '?': the device did not take the command
};

AnswerClass ClassifyAnswer(std::string_view answer, std::string_view command);

// True when the device said nothing but its prompt: two carriage returns and '>'.
bool IsEmptyAnswer(std::string_view answer);

// --- Numbers and words ------------------------------------------------------------------------

// One decimal integer after optional white space ("%d").
std::optional<int32_t> ReadInt(const char* text);
// The same, read from after the first carriage return (from the start when there is none).
std::optional<int32_t> ReadIntAfterCR(const char* text);
// One hexadecimal number after optional white space ("%x").
std::optional<uint32_t> ReadHex(const char* text);
// One decimal number as "%u" reads it: a leading '-' wraps around modulo 2^32.
std::optional<uint32_t> ReadUnsigned(const char* text);
// One floating-point number after optional white space ("%lf").
std::optional<double> ReadDouble(const char* text);

// The text after the first carriage return, or all of it when there is none.
const char* AfterFirstCR(const char* text);

// One word ("%Ns"): after white space, up to `max` characters up to the next white space.
// Empty when there is no word.
std::string_view ReadWord(const char* text, size_t max);

// A text setting: after white space, the characters up to a carriage return or the end, at most
// `max`. Code 1 with the text; -31 when the answer (after the white space) starts with the
// prompt; -30 when nothing could be copied.
struct TextRead {
  int code = 0;
  std::string_view text;
};
TextRead ReadText(const char* text, size_t max);
// The serial number: the characters after the first carriage return up to the next one, at most
// `max` (-30 when there are none).
TextRead ReadLineAfterCR(const char* text, size_t max);

// Five integers ("%d %d %d %d %d"), each kept as 8 bits with values outside 0..255 kept as 255.
struct FiveInts {
  int count = 0;  // how many were read before the first failure
  Ports values{};
};
FiveInts ReadFiveInts(const char* text);

// Where a radio value starts in an answer: two characters after the first 'K' (after "OK" and
// its separator), never past the end; the start when there is no 'K'.
const char* RadioValueOf(const char* text);

// True when `text` is exactly four hexadecimal digits.
bool IsFourHexDigits(std::string_view text);

// --- The version answer ----------------------------------------------------------------------

// The version line of a "get -ver" answer: after leading carriage returns, up to the next
// carriage return, at most 20 characters. Empty when no carriage return follows (the answer has
// not fully arrived).
std::optional<std::string_view> VersionLineOf(std::string_view answer);

// "WORD major.minor[patch]" as "%s %d.%1d%1d" reads it; the patch digit may be missing (0).
// Nothing when fewer than three fields were read.
struct VersionFields {
  FixedText<21> word{};  // as written; callers upper-case it for the type lookup
  int32_t version = 0;   // major*100 + minor*10 + patch
};
std::optional<VersionFields> ParseVersionLine(std::string_view line);

// "major.minor[patch]" as "%d.%1d%1d" reads it, with all three numbers required.
std::optional<int32_t> ParseDottedVersion(std::string_view text);

// --- The old-firmware "show" answer ------------------------------------------------------------

struct ShowAnswer {
  bool hasId = false;     // "ID:" is in the answer
  std::string_view name;  // the word 4 characters after "ID:" (empty: not read)
  bool hasVersion = false;
  std::string_view versionText;    // the word 9 characters after "Version:"
  std::optional<int32_t> version;  // parsed from versionText
  std::optional<int32_t> rmode;    // 7 characters after "Radio:"
  std::optional<int32_t> wake;     // 6 characters after "Wake:"
  std::optional<int32_t> resets;   // 8 characters after "Resets:"
};
ShowAnswer ParseShowAnswer(const char* answer);

// --- Settings values -----------------------------------------------------------------------------

// The trait as kept in DeviceInfo::trait from the number a device reports, and back.
inline uint32_t TraitFromReported(int32_t reported) {
  return ((255u - static_cast<uint32_t>(reported)) & 0xFFu) | kTraitKnown;
}
inline int32_t ReportedFromTrait(uint32_t trait) {
  return 255 - static_cast<int32_t>(trait & 0xFFu);
}

// The check sum of a calibration set: all five slopes and offsets, modulo 256.
uint32_t AdcCheckSum(const Ports& slopes, const Ports& offsets);

// A calibration answer "%u %u ... %u": slope 0, offset 0, ... slope 4, offset 4, sum (11 numbers;
// the short form's three numbers are slope 0, offset 0, sum).
struct AdcNumbers {
  int count = 0;
  std::array<uint32_t, 11> values{};
};
AdcNumbers ReadAdcNumbers(const char* text);

// True for a key of 32 hexadecimal digits (characters after the 32nd are ignored).
bool IsAuthKey(std::string_view key);

// The device's code for a baud rate in "set -baud %d": 9600 is 0 ... 460800 is 6.
std::optional<int> BaudRateCode(uint32_t rate);

// --- The clock ---------------------------------------------------------------------------------

// The six calendar numbers of "%d-%d-%d %d:%d:%d" after "Date\Time:" (from the start when that
// text is missing). Nothing when fewer than six were read.
struct ClockFields {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
std::optional<ClockFields> ReadClockFields(const char* answer);

// A seconds answer ("%lu") as the device's signed 32-bit count; nothing when not read.
std::optional<int32_t> ReadClockSeconds(const char* answer);

// Seconds from 1970-01-01 to 2000-01-01, where the device clock (VeskSeconds) starts.
inline constexpr int64_t kVeskEpoch = 946684800;

// --- The erase confirmation ------------------------------------------------------------------

// What an erase confirmation came to: `rc` is the exchange's result and `answer` its text.
// 1 for "OK"; -65 for "DataFlash FAIL", a refusal, or silence; -30 for another answer; other
// failures pass through.
int EraseConfirmationResult(int rc, const char* answer);

}  // namespace vesk
