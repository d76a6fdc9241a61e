// EmbeddedFirmware: the firmware image compiled into the program, and loading it into a
// FirmwareImage with its integrity test.
//
// The descriptor is generated at build time from the TI-Text file in firmware/ (see
// tools/embed_firmware.cpp): the expected length and checksum are computed from the generated
// text then, so any later damage to the text in the program is caught when it is loaded.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "bsl/firmware_image.h"

namespace vesk {

struct EmbeddedFirmware {
  std::string_view productName;  // product name and version, e.g. "OMB-3 3.26"
  std::array<uint32_t, kVectorCount> vectors{};
  std::string_view imageText;     // compact image text, upper-case digits
  uint32_t expectedLength = 0;    // imageText's length when it was built
  uint32_t expectedChecksum = 0;  // ImageChecksum(imageText) when it was built
  uint8_t deviceType = 0;         // device-type table row
  int32_t version = 0;            // e.g. 326
};

// The image compiled into this program.
const EmbeddedFirmware& BuiltInFirmware();

// Loads `firmware` into `image` (name, device type, version, vectors, text; ownsImage cleared)
// and tests the text: a length other than expectedLength or a character sum other than
// expectedChecksum sets image.hostStatus to -101. Returns image.hostStatus (0 when sound; -60
// when the text cannot be allocated).
int32_t LoadEmbeddedFirmware(FirmwareImage& image,
                             const EmbeddedFirmware& firmware = BuiltInFirmware());

}  // namespace vesk
