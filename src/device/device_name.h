// Which texts may name a device on the command line.
#pragma once

#include <string_view>

namespace vesk {

inline constexpr size_t kDeviceNameMax = 8;

// 1 when `text` is a valid device name, otherwise (checked in this order): -53 empty, -54 longer
// than 8 characters, -52 a reserved command word, -50 a control character, space, 127 or 255,
// -51 one of ? \ " / < > * | : ; , and -56 any other character above 127.
int CheckDeviceName(std::string_view text);

}  // namespace vesk
