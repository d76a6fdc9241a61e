// Pure conversion between TI-Text (the MSP430 memory-image text format: "@" address lines, lines of
// hex bytes, a closing "q") and the compact image text of FirmwareImage. No files, no log: the
// program's loader and the build-time embedding generator share it.
//
// Reading rules:
//  - The text must start with "@" at its first byte and contain a "q"; segments after the first
//    "q" are not read.
//  - Each "@" starts a segment running to the next "@" or the "q", whichever comes first. Its
//    address is hexadecimal (blanks, a "+" and "0x" may precede it), at most 0xFFFFF, and its line
//    must end with a line feed; the data follows the line feed.
//  - Data: every hex digit counts, every other character (blanks, CR, LF, ...) is ignored. Four
//    digits are one word, low byte first as TI-Text writes bytes ("0F 12" is 0x120F).
//  - 0xFFE0..0xFFFE (even): vector segment. Words go to vectors[(address - 0xFFE0) / 2] onward;
//    leftover digits, more words than remain up to 0xFFFE, or an odd start are refused.
//  - 0xFA00..0xFDFE: skipped; that region of the device is never rewritten from a file.
//  - Anything else: data segment, "@%05X" then each word high byte first, digits in their case.
//    A last incomplete word is completed with "F" digits (d -> FFdF, dd -> FFdd, ddd -> dFdd).
//  - At least one vector segment is required.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vesk {

// Why a text was refused; kNone after a successful conversion.
enum class TITextFault {
  kNone,
  kNoStartOrEnd,      // no "@" at the first byte, or no "q"
  kBadAddress,        // no hex address after "@", or above 0xFFFFF
  kNoLineFeed,        // the address line does not end before the segment does
  kIncompleteVector,  // vector digits that do not make whole words
  kVectorOverflow,    // more vector words than remain up to 0xFFFE, or an odd start
  kNoVectors,         // no vector segment at all
};

struct TITextConversion {
  std::string imageText;               // compact image text
  std::array<uint32_t, 16> vectors{};  // 0xFFFF where the text gave none
  TITextFault fault = TITextFault::kNone;
};

// Converts TI-Text `text` into `out`. Returns 1, or -100 with `out.fault` saying why. `out` is
// fully overwritten either way. May throw std::bad_alloc.
int32_t ConvertTIText(std::string_view text, TITextConversion& out);

// Words for a fault, for diagnostics ("no vector segment").
const char* DescribeTITextFault(TITextFault fault);

// True for the first address of the region that files never rewrite.
bool IsSkippedSegmentAddress(uint32_t address);

// The readable dump of an image: each segment's "@" and five address digits on a line of their
// own, the data in lines of 32 characters (a segment that is not a multiple of 32 characters runs
// on into the next "@" line), then an empty line, "@FFE0" and the 16 vectors in two lines of
// eight words, high byte first. It has no "q" and is not TI-Text.
std::string FormatTIDump(std::string_view imageText, const std::array<uint32_t, 16>& vectors);

}  // namespace vesk
