// Hexadecimal digits, as firmware files, boot-loader frames and device answers write them.
#pragma once

namespace vesk {

// The value of one hex digit (either case), or -1 when `c` is none.
constexpr int HexValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  return -1;
}

constexpr bool IsHexDigit(char c) {
  return HexValue(c) >= 0;
}

}  // namespace vesk
