// Deriving an image's name, device type and version from the name of the file it was read from.
//
//   "RVAN 3.26.txt"   -> imageName "RVAN 3.26", device type 3 (RVAN), imageVersion 326
//   "rvan 3-27.txt"   -> imageName "rvan 3.27", device type 3, imageVersion 327
//   "rvan_3-27.txt"   -> device type 3, imageVersion 27 (digits count after a blank or "-" only)
//   "OMB-3 3.26.txt"  -> code "OMB" matches no row: device type unchanged; imageVersion 3326
//   "7KA 1.10.txt"    -> device type 10 (digital sensor models 7KA and 7KB)
#pragma once

#include <string_view>

#include "bsl/firmware_image.h"

namespace vesk {

// The part of `path` after its last "/" or "\".
std::string_view FileNameOf(std::string_view path);

// Sets imageName, imageVersion and (when the name's code is known) imageDeviceType from `path`.
void SetNamesFromFileName(FirmwareImage& image, std::string_view path);

}  // namespace vesk
