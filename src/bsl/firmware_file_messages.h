// The texts the user is shown when a firmware file cannot be opened or an image cannot be saved,
// shared by the window's file commands and the command-line front end.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vesk {

// The "File Error" text for a negative BSLLoadTIFile result. `fileName` is the chosen file's name
// without its folder; `caption` the window caption ("OMB-3 Rain Gauge Firmware Updater").
std::string FirmwareFileErrorText(int32_t result, std::string_view fileName,
                                  std::string_view caption);

// The "File Name Error" text of an instrument build that cannot tell the instrument type from
// the file name.
std::string FirmwareFileNameErrorText(std::string_view fileName, std::string_view caption);

// The "Error" text for a negative BSLWriteTIFile result.
std::string DumpErrorText(int32_t result);

// The "Application Launch Error" text for a negative construction status of the image's owner
// (-60 no buffers, -101 embedded image damaged, anything else unexpected).
std::string ImageConstructionErrorText(int32_t status, std::string_view caption);

}  // namespace vesk
