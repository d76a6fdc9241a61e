// FirmwareImage: the firmware the boot-loader host writes into a device, held as compact text.
//
// Compact image text: segments in the order they were read, each "@" + five upper-case hex digits
// of the start address ("@%05X"), then the segment's 16-bit words as four hex digits each, high
// byte first ("120F" for 0x120F), with no separators. The interrupt vectors are not part of the
// text; they live in `vectors`.
//
// Result codes of the image operations (BSLLoadTIFile, BSLWriteTIFile, LoadEmbeddedFirmware):
//    1      success
//   -60     out of memory
//   -100    the file is not a valid TI-Text file (nothing of the current image changes)
//   -101    the embedded image failed its length or checksum test
//   other negatives: the C run-time error number of a file that cannot be opened, negated
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bsl/fixed_text.h"

namespace vesk {

inline constexpr int32_t kImageOutOfMemory = -60;
inline constexpr int32_t kImageNotTIText = -100;
inline constexpr int32_t kImageDamaged = -101;

inline constexpr size_t kImageNameSize = 64;  // imageName holds up to 63 characters
inline constexpr size_t kVectorCount = 16;
inline constexpr uint32_t kVectorTableStart = 0xFFE0;  // vectors[0]; vectors[15] is 0xFFFE
inline constexpr uint32_t kVectorTableLast = 0xFFFE;
inline constexpr uint32_t kErasedWord = 0xFFFF;
inline constexpr uint32_t kHighestSegmentAddress = 0xFFFFF;  // five hex digits

struct FirmwareImage {
  // Product name and version of the image, e.g. "OMB-3 3.26". Shown to the user.
  FixedText<kImageNameSize> imageName{};
  // The version's digits without the point: 326 for 3.26.
  int32_t imageVersion = 0;
  // Row of the device-type table the image is for (10: digital sensor).
  uint8_t imageDeviceType = 0;
  // Construction result of the owner: 0 sound, -60 no buffers, -101 embedded image damaged.
  int32_t hostStatus = 0;
  // Length of imageText in characters (always imageText.size()).
  uint32_t imageLength = 0;
  // The compact image text described above.
  std::string imageText;
  // Write position in the new compact text while a file is converted; 0 otherwise.
  size_t loadCursor = 0;
  // Vector words for 0xFFE0, 0xFFE2, ... 0xFFFE; only the low 16 bits are meaningful.
  std::array<uint32_t, kVectorCount> vectors{};
  // Set once imageText came from a file rather than from the program itself.
  bool ownsImage = false;
};

// One segment of a compact image text.
struct ImageSegment {
  uint32_t address = 0;
  uint32_t bytes = 0;     // data bytes (two per word)
  size_t textOffset = 0;  // offset of the first data digit in the text
  size_t textLength = 0;  // data digits
};

// The segments of a compact image text, in text order. Text before the first "@" and a
// malformed address header end the walk (the compact text the program builds has neither).
std::vector<ImageSegment> ImageSegments(std::string_view imageText);

// The sum of the character codes of `text`: the embedded image's integrity checksum.
uint32_t ImageChecksum(std::string_view text);

// imageName as text.
inline std::string_view ImageName(const FirmwareImage& image) {
  return TextOf(image.imageName);
}

}  // namespace vesk
