// The boot loader's framed commands, built and judged as pure functions over text.
//
// A frame is the command letter, a payload of printable text, ".", four upper-case hex digits
// of the checksum, and a carriage return:  g.0095\r   @8000.0136\r   X1000.0147\r
// The checksum is the sum of the character codes of the letter, the payload and the "." taken
// modulo 65535 (not 65536), as the boot loader computes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace vesk {

// Longest payload of one frame: 512 hex digits (256 bytes of a "W" block).
inline constexpr size_t kBslMaxPayload = 512;
// Letter, payload, ".", four checksum digits, carriage return.
inline constexpr size_t kBslFrameOverhead = 7;
inline constexpr size_t kBslFrameBufferSize = 544;
static_assert(kBslMaxPayload + kBslFrameOverhead <= kBslFrameBufferSize);

uint16_t BslChecksum(char letter, std::string_view payload);

// Writes the frame for `letter` and `payload` into `dest`. Returns its length, or 0 when it does
// not fit (dest too small or payload longer than kBslMaxPayload).
size_t BuildBslFrame(char letter, std::string_view payload, std::span<char> dest);

// Writes each number as four hex digits ("%04X"), or five with `fiveDigits`, into `dest`.
// Returns the length, or 0 when a number needs more digits than that or the text does not fit.
size_t FormatHexPayload(std::span<const uint32_t> numbers, bool fiveDigits, std::span<char> dest);

// Which of the host's two answer rules applies: "g", "@" and "W" are sent by BSLCommand; "X" and
// "V" by BSLCommandHex, which judge a few answers differently.
enum class BslAnswerRules { kCommand, kCommandHex };

// Judges the answer to a framed command. `answer` holds the bytes read (at least one); text after
// an embedded NUL is not looked at. `transportError` is the last negative result of the write,
// wait or read of the exchange, or 0. Returns the answer's length on success; -1 when the boot
// loader refused the command or gave no usable answer; the transport error when there was one and
// the answer is not recognised.
int32_t ClassifyBslAnswer(BslAnswerRules rules, std::string_view answer, int32_t transportError);

// The version in the answer to "g" ("+%d+"); false when the answer does not hold one.
bool ParseBslVersion(std::string_view answer, int32_t& version);

}  // namespace vesk
