// How the simulated boot loader reads one command line.
//
// A command is "<letter><payload>.<checksum>" ended by a carriage return; the checksum is four
// upper-case hex digits of the sum of the letter, the payload and the "." modulo 65535. Each
// letter has its own payload rule:
//   g  nothing                               version request
//   @  the address, 4 (or 5) hex digits      set the write address
//   W  1 to 128 words, 4 hex digits each     write at the write address (word high byte first)
//   X  an address, 4 (or 5) hex digits       erase the segment holding it
//   V  16 words, 4 hex digits each           write the vectors and restart
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vesk::sim {

enum class FrameCheck {
  kGood,
  kStray,  // not a command at all (empty, or an unknown first letter): answered "?"
  kBad,    // a command letter, but the frame or its payload is wrong: answered "-"
};

struct BootloaderFrame {
  char letter = 0;
  uint32_t address = 0;  // "@" and "X"
  std::string data;      // "W": the bytes in memory order; "V": 32 bytes, vector 0xFFE0 first
};

// The device's own checksum rule, written apart from the host's so that the two check each other.
uint16_t DeviceChecksum(std::string_view letterPayloadAndDot);

// Reads `line` (without its carriage return). `addressDigits` is 4 or 5.
FrameCheck ReadFrame(std::string_view line, int addressDigits, BootloaderFrame& out);

}  // namespace vesk::sim
