// The device-type table (everything the program knows about the maker's device kinds) and the
// DeviceDescriptor of a connected device built from a table row and the device's firmware version.
//
// A row number of the table is the device-type code used throughout the program: the image's
// device type, the link's device type and the key of the settings file.
//
// Result codes of DetectDeviceType:
//    1    the answer's code word was found (or the answer holds no version at all: row 0)
//   -10   the answer or the descriptor is missing, or the answer is empty
//   -30   the answer cannot be read, or its code word is not in the table
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "bsl/build_constants.h"
#include "bsl/fixed_text.h"

namespace vesk {

inline constexpr int32_t kDeviceTypeMissingArgument = -10;
inline constexpr int32_t kDeviceTypeUnreadable = -30;

inline constexpr size_t kDeviceTypeCount = 25;  // rows 0 (unknown) to 24
inline constexpr uint8_t kUnknownDeviceType = 0;
inline constexpr uint8_t kDigitalSensorDeviceType = 10;
inline constexpr uint8_t kPelmiratDeviceType = 14;
inline constexpr int32_t kVersionNotAsked = 999;

struct DeviceTypeRow {
  const char* code;         // code word, upper case, as the device names itself
  const char* displayName;  // shown to the user
  bool keepsSettings;       // save settings before the update, restore after
  bool eraseDataAfter;      // erase stored data after the update
  bool eraseWarning;        // warn at start-up that the update erases measurement data
  bool checksBattery;       // refuse the update below 10 percent battery
  bool needsAccessLogin;    // log in with the access code before settings and after restart
  bool setsClock;           // set the device clock after the update
  bool usesPostInit;        // check the new firmware with "post -init\r" instead of "post\r"
  bool showNotice;          // show the kind's notice after a successful update
  int32_t restartWaitMs;    // wait after leaving the boot loader before reconnecting
  bool extendedAddresses;   // the boot loader takes five-digit (20-bit) addresses
  int32_t flashStart;       // main flash erased before the upload: first address
  int32_t flashEnd;         //                                       last address
  int32_t infoStart;        // information memory erased before the upload
  int32_t infoSegments;
  int32_t infoSegmentSize;  // bytes; the step between erase addresses
  int32_t bootBaud;         // the boot loader's speed once started
  const char* finderPath;   // version-finder path on the maker's web host; "" for none
};

// Rows 0 to 24, indexed by device-type code.
extern const std::array<DeviceTypeRow, kDeviceTypeCount> DeviceTypeTable;

// The row for `deviceType`; row 0 for a value outside the table.
const DeviceTypeRow& DeviceTypeRowOf(int32_t deviceType);

// The first of rows 1 to 24 whose code equals `code` ignoring case; 0 when none does.
uint8_t FindDeviceTypeByCode(std::string_view code);

inline constexpr size_t kDescriptorNameSize = 33;
inline constexpr size_t kDescriptorVersionTextSize = 22;

// What the update procedures need to know about the connected device. A value-initialised
// descriptor is the cleared one.
struct DeviceDescriptor {
  uint8_t typeRow = 0;  // 0 for a kind outside the table
  FixedText<kDescriptorNameSize> displayName{};
  FixedText<kDescriptorVersionTextSize> versionText{};  // the version answer, cut to 21 chars
  int32_t deviceVersion = 0;                            // 326 for 3.26; 999 when not asked
  int32_t restartWaitMs = 0;
  bool keepsSettings = false;
  bool eraseDataAfter = false;
  bool checksBattery = false;
  bool needsAccessLogin = false;
  bool setsClock = false;
  bool supported = false;  // the device's firmware is new enough for this program to update
  bool usesPostInit = false;
  bool showNotice = false;
  int32_t flashStart = 0;
  int32_t flashEnd = 0;
  bool extendedAddresses = false;
  int32_t infoStart = 0;
  int32_t infoSegments = 0;
  int32_t infoSegmentSize = 0;
  int32_t bootBaud = 0;
  int32_t minVersion = 0;  // window of device versions this image may replace
  int32_t maxVersion = 0;
  bool checkVersionWindow = false;
};

// Fills `out` (cleared first) for table row `row` and device firmware version `version`, with
// the row's special rules: which versions are supported, Pelmirat's memory map, the Brinel 4
// version window and, for the digital-sensor row, SensorMemoryMap of this build.
void BuildDeviceDescriptor(int32_t row, int32_t version, DeviceDescriptor& out);

// Builds `*out` from the device's answer to the version question, e.g. "RVAN 3.26": the code
// word picks the row, "major.minor digit" the version. An answer without "." gives row 0,
// version 0 and 1. Result codes above; on -10 and on an unreadable answer `*out` is untouched.
int32_t DetectDeviceType(const char* answer, DeviceDescriptor* out);

// The digital-sensor rules: memory map, `supported` and version window by the sensor type and
// image version this program is built with.
void SensorMemoryMap(DeviceDescriptor& out, int32_t sensorType = kBuildSensorType,
                     int32_t imageVersion = kBuildImageVersion);

// Accessors for the descriptor's text fields.
inline std::string_view DisplayNameOf(const DeviceDescriptor& d) {
  return TextOf(d.displayName);
}
inline std::string_view VersionTextOf(const DeviceDescriptor& d) {
  return TextOf(d.versionText);
}

}  // namespace vesk
