#include "bsl/firmware_image.h"
#include "text/hex_digits.h"

namespace vesk {
namespace {

constexpr size_t kAddressDigits = 5;

}  // namespace

std::vector<ImageSegment> ImageSegments(std::string_view imageText) {
  std::vector<ImageSegment> segments;
  size_t at = 0;
  while (at < imageText.size() && imageText[at] == '@') {
    if (imageText.size() - at - 1 < kAddressDigits) {
      break;
    }
    ImageSegment segment;
    bool addressOk = true;
    for (size_t i = 1; i <= kAddressDigits; ++i) {
      const int digit = HexValue(imageText[at + i]);
      addressOk = addressOk && digit >= 0;
      segment.address = segment.address * 16 + static_cast<uint32_t>(digit < 0 ? 0 : digit);
    }
    if (!addressOk) {
      break;
    }
    segment.textOffset = at + 1 + kAddressDigits;
    size_t next = imageText.find('@', segment.textOffset);
    if (next == std::string_view::npos) {
      next = imageText.size();
    }
    segment.textLength = next - segment.textOffset;
    segment.bytes = static_cast<uint32_t>(segment.textLength / 2);
    segments.push_back(segment);
    at = next;
  }
  return segments;
}

uint32_t ImageChecksum(std::string_view text) {
  uint32_t sum = 0;
  for (char c : text) {
    sum += static_cast<unsigned char>(c);
  }
  return sum;
}

}  // namespace vesk
