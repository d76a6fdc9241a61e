// The command line's own numbering of device kinds (ProtocolDeviceType), separate from the
// device-type table of the boot-loader side, and what each kind can do (its supportedMask).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

namespace device_type {
inline constexpr int8_t kUnknown = 0;
inline constexpr int8_t kUnknownLogger = 1;
inline constexpr int8_t kRva = 2;
inline constexpr int8_t kRvan = 3;
inline constexpr int8_t kKeldrum = 4;
inline constexpr int8_t kKeldwave = 5;
inline constexpr int8_t kRvak = 6;
inline constexpr int8_t kGeneric = 7;
inline constexpr int8_t kCommDev = 8;
inline constexpr int8_t kCalibrator = 9;
inline constexpr int8_t kPelmirat = 10;
inline constexpr int8_t kGx2 = 11;
inline constexpr int8_t kOvt9 = 12;
inline constexpr int8_t kCount = 13;
}  // namespace device_type

// "Rvan" for 3; "Unknown" for a code outside 0..12.
const char* ProtocolDeviceTypeName(int typeCode);

// The code whose answer word ("RVAN", "KD", ...) equals `word` exactly (callers upper-case it
// first); 0 ("Unknown") when none does.
int8_t ProtocolDeviceTypeOfWord(std::string_view word);

// The answer word of a code ("RVAN" for 3); "" for the kinds that have none.
const char* ProtocolDeviceTypeWord(int typeCode);

// The capability bits of a device kind at a firmware version (thresholds are "at least").
// `verKnown` is 0 only for an old-firmware Rva, which never answered "get -ver".
uint32_t SupportedMaskFor(int typeCode, bool verKnown, int32_t version);

// Words for the capability bits set in `supportedMask`, for people reading `info`.
std::vector<std::string> CapabilityNames(uint32_t supportedMask);

}  // namespace vesk
