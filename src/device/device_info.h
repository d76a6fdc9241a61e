// The record of a device on the command line (DeviceInfo), the options of a connection
// (ProtocolOptions) and its parameters (ConnectionParams).
//
// DeviceInfo is plain data: a value-initialised record (DeviceInfo{}) is the cleared one, and
// copying it copies everything, which is how settings travel from a device into a settings file
// and back into the device after its firmware was replaced.
#pragma once

#include <array>
#include <cstdint>

#include "bsl/fixed_text.h"

namespace vesk {

// Bits of DeviceInfo::validMask, and of the request and result masks of DeviceSettings: which
// settings are known.
namespace setting {
inline constexpr uint32_t kName = 0x1;
inline constexpr uint32_t kSerialNumber = 0x2;
inline constexpr uint32_t kIdentity = 0x4;  // typeCode, typeName, versionText, version
inline constexpr uint32_t kTrait = 0x8;
inline constexpr uint32_t kWake = 0x10;
inline constexpr uint32_t kPorts = 0x20;
inline constexpr uint32_t kPadc = 0x40;
inline constexpr uint32_t kDeviceId = 0x80;
inline constexpr uint32_t kDataParameter = 0x100;
inline constexpr uint32_t kRmode = 0x200;
inline constexpr uint32_t kRch = 0x400;
inline constexpr uint32_t kRsch = 0x800;
inline constexpr uint32_t kRver = 0x1000;
inline constexpr uint32_t kDepth = 0x2000;
inline constexpr uint32_t kSite = 0x4000;
inline constexpr uint32_t kLatitude = 0x8000;
inline constexpr uint32_t kLongitude = 0x10000;
inline constexpr uint32_t kTimeZone = 0x20000;
inline constexpr uint32_t kApn = 0x40000;
inline constexpr uint32_t kApnUser = 0x80000;
inline constexpr uint32_t kApnPassword = 0x100000;
inline constexpr uint32_t kHost = 0x200000;
inline constexpr uint32_t kAuthKey = 0x400000;
inline constexpr uint32_t kIpPort = 0x800000;
inline constexpr uint32_t kReport = 0x1000000;
inline constexpr uint32_t kAdc30 = 0x2000000;
inline constexpr uint32_t kAdc15 = 0x4000000;
inline constexpr uint32_t kBuild = 0x8000000;

inline constexpr uint32_t kRadio = kRch | kRsch | kRver;
inline constexpr uint32_t kEverything = 0xFFFFFFF;
}  // namespace setting

// Bits of DeviceInfo::supportedMask that the program tests: what the device can do.
namespace capability {
inline constexpr uint32_t kChangesBaud = 0x1;
inline constexpr uint32_t kWakeAndPadc = 0x10;
inline constexpr uint32_t kPorts = 0x20;
inline constexpr uint32_t kAnswersTrait = 0x40;
inline constexpr uint32_t kRadio = 0x100;
inline constexpr uint32_t kRadioMode = 0x200;
inline constexpr uint32_t kClock = 0x1000;
inline constexpr uint32_t kAdcCalibration = 0x10000;
inline constexpr uint32_t kDataParameter = 0x20000;
inline constexpr uint32_t kBuildInfo = 0x40000;
inline constexpr uint32_t kClockInSeconds = 0x80000;
inline constexpr uint32_t kShortAdcCalibration = 0x100000;
// Device ID, report mode, depths, site, time zone, and writing the trait.
inline constexpr uint32_t kLoggerIdentity = 0x1000000;
inline constexpr uint32_t kPosition = 0x4000000;
}  // namespace capability

// DeviceInfo::trait holds this bit once the trait was read; its low 8 bits are the trait value.
inline constexpr uint32_t kTraitKnown = 0x4000;
inline constexpr uint32_t kTraitRadioFitted = 0x1;
inline constexpr uint32_t kTraitCellularFitted = 0x8;

using Ports = std::array<uint8_t, 5>;

struct DeviceInfo {
  uint32_t validMask = 0;      // setting:: bits of the fields that are known
  uint32_t supportedMask = 0;  // capability:: bits, from DeviceCapabilities
  int8_t typeCode = 0;         // ProtocolDeviceType code 0..12
  FixedText<32> typeName{};
  uint8_t verKnown = 0;  // 1 once a "get -ver" answer was parsed; 0 for an old-firmware Rva
  FixedText<9> deviceid{};
  FixedText<9> name{};
  FixedText<16> sn{};
  FixedText<21> versionText{};  // "RVAN 3.26"
  int32_t version = 0;          // 326 for 3.26; -1 after a failed "show" parse
  uint32_t trait = 0;
  FixedText<20> VeskBuild{};  // at most 16 characters are read
  int32_t wake = 0;           // measurement interval
  Ports ports{};
  Ports depth{};
  int32_t padc = 0;      // Hz
  FixedText<32> site{};  // at most 25 characters are read
  double lat = 0;        // degrees
  double lon = 0;
  int32_t timezone = 0;
  Ports adc30Slopes{};
  Ports adc30Offsets{};
  Ports adc15Slopes{};
  Ports adc15Offsets{};
  int32_t data = 0;
  int32_t report = 0;
  int32_t rmode = 0;
  int32_t rch = 0;
  int32_t rsch = 0;
  FixedText<9> rver{};
  FixedText<36> apn{};
  FixedText<36> user{};
  FixedText<36> passwd{};
  FixedText<33> authkey{};
  FixedText<64> host{};
  int32_t ipport = 0;
};

// How a connection reaches the device.
namespace connection_kind {
inline constexpr uint8_t kNone = 0;     // no connection
inline constexpr uint8_t kSerial = 10;  // cabled to the port
inline constexpr uint8_t kRadio = 30;   // the port drives a radio modem
}  // namespace connection_kind

struct ProtocolOptions {
  uint8_t keepPortOpen = 0;    // on disconnect or a failed connect, stay open at 9600 baud
  uint32_t serialRetries = 3;  // attempts per command on a serial connection, 1..12 (0: 3)
  uint32_t radioRetries = 5;   // attempts per command over the radio, 1..12 (0: 5)
  uint8_t progressHookOn = 0;  // call ProtocolHooks::ProgressHook during long operations
  int8_t echoMode = 0;         // 0 none; 1 received text to EchoHook; 2 sent text; 3 both
  uint32_t extraWait = 0;      // ms added to every prompt wait of DeviceCommand, 0..30000
};

struct ConnectionParams {
  // Room for a device path such as /dev/serial/by-id/usb-..., not just "COM12".
  FixedText<64> portName{};
  uint8_t kind = connection_kind::kNone;
  int8_t baudIndex = 0;  // into kBaudTable; 0 means 2 (9600); out: the index in use
  FixedText<9> deviceName{};
  int32_t radioChannel = 0;
  int32_t radioSubChannel = 0;
  uint8_t configureRadio = 0;  // program the radio modem's channel before logging in
};

// Baud rates by index; index 0 means "the default" (2, 9600).
inline constexpr std::array<uint32_t, 9> kBaudTable = {0,     1200,   9600,   19200, 38400,
                                                       57600, 115200, 230400, 460800};
inline constexpr int8_t kDefaultBaudIndex = 2;

}  // namespace vesk
