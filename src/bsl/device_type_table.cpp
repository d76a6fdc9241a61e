#include "bsl/device_type_table.h"

#include <cctype>
#include <cstring>

namespace vesk {
namespace {

// Memory maps shared by most rows: the classic 16-bit parts, and the 20-bit parts whose boot
// loader runs at 57600 baud.
constexpr int32_t kClassicFlashStart = 0x1100;
constexpr int32_t kClassicFlashEnd = 0xF9FF;

}  // namespace

// clang-format off
constexpr std::array<DeviceTypeRow, kDeviceTypeCount> DeviceTypeTable = {{
  // code       displayName               keep  erase  warn  batt  login clock post  notice
  //   restartMs ext  flashStart         flashEnd          infoStart segs size  baud   finderPath
  {"UNKNOWN",   "UNKNOWN",                false, false, false, false, false, false, false, false,
     7000,  false, kClassicFlashStart, kClassicFlashEnd, 0x1000, 2, 128, 9600, ""},
  {"RVA",       "Rva",                    true,  false, true,  true,  false, true,  true,  false,
     1000,  false, kClassicFlashStart, kClassicFlashEnd, 0x1000, 2, 128, 9600,
     "/versionfinder/Rva-Firmware.html"},
  {"RVAK",      "Rvak",                   true,  false, true,  true,  false, true,  true,  false,
     1000,  false, kClassicFlashStart, kClassicFlashEnd, 0x1000, 2, 128, 9600,
     "/versionfinder/Rvak-Firmware.html"},
  {"RVAN",      "Rvan",                   true,  true,  true,  true,  false, true,  true,  false,
     6000,  false, kClassicFlashStart, kClassicFlashEnd, 0x1000, 2, 128, 9600,
     "/versionfinder/Rvan-Firmware.html"},
  {"KD",        "Keldrum",                true,  true,  true,  true,  false, false, true,  false,
     6000,  false, kClassicFlashStart, kClassicFlashEnd, 0x1000, 2, 128, 9600,
     "/versionfinder/Keldrum-Firmware.html"},
  {"KW",        "Keldwave",               true,  true,  true,  false, false, false, true,  false,
     4000,  false, kClassicFlashStart, kClassicFlashEnd, 0x1000, 2, 128, 9600, ""},
  {"BLITE",     "Brinel Lite",            true,  false, false, false, true,  false, false, false,
     8500,  false, kClassicFlashStart, kClassicFlashEnd, 0x1000, 2, 128, 9600,
     "/versionfinder/BLite-Firmware.txt"},
  {"RP",        "RJ8 Pro",                true,  true,  true,  true,  false, true,  false, false,
     7000,  false, kClassicFlashStart, kClassicFlashEnd, 0x1000, 2, 128, 9600,
     "/versionfinder/rj8pro-firmware.html"},
  {"QK37",      "Solvane QK-37",          true,  true,  true,  false, false, true,  false, true,
     3000,  false, kClassicFlashStart, kClassicFlashEnd, 0x1000, 2, 128, 9600,
     "/versionfinder/QK37Firmware.txt"},
  {"SX",        "Stomavex",               true,  true,  true,  true,  false, true,  false, true,
     7000,  false, kClassicFlashStart, kClassicFlashEnd, 0x1000, 2, 128, 9600,
     "/versionfinder/stomavex-firmware.html"},
  {"QUORL-VK",  "Digital Sensor",         false, false, false, false, false, false, false, false,
     1000,  false, kClassicFlashStart, kClassicFlashEnd, 0x1000, 2, 128, 9600, ""},
  {"HYIG",      "Hygrelle IG",            true,  true,  true,  false, false, true,  false, false,
     2000,  false, kClassicFlashStart, kClassicFlashEnd, 0x1000, 2, 128, 9600,
     "/versionfinder/HYIG-Firmware.txt"},
  {"BR3",       "Brinel Series 3",        true,  false, false, false, true,  false, false, false,
     2000,  false, kClassicFlashStart, kClassicFlashEnd, 0x1000, 2, 128, 9600,
     "/versionfinder/BRS3-Firmware.txt"},
  {"QCD",       "QCD",                    true,  false, false, true,  false, false, false, false,
     7000,  false, kClassicFlashStart, kClassicFlashEnd, 0x1000, 2, 128, 9600, ""},
  {"PL",        "Pelmirat",               true,  true,  true,  true,  false, true,  false, false,
     2000,  false, kClassicFlashStart, kClassicFlashEnd, 0x1000, 2, 128, 9600,
     "/versionfinder/Pelmirat-Firmware.html"},
  {"BR4",       "Brinel 4",               true,  true,  true,  false, true,  true,  false, false,
     14000, true,  0x2100,             0x1FF00,          0x1000, 3, 64,  57600,
     "/versionfinder/BrinelSeries4.txt"},
  {"KTP",       "Brinel KTP",             true,  true,  true,  false, false, true,  false, false,
     8000,  true,  0x5C00,             0x3BFFF,          0x1800, 3, 128, 57600,
     "/versionfinder/KTPFirmware.txt"},
  {"HN7D",      "HN7D",                   true,  false, false, false, true,  false, false, false,
     2000,  false, kClassicFlashStart, kClassicFlashEnd, 0x1000, 2, 128, 9600,
     "/versionfinder/HN7D-Firmware.txt"},
  {"GX2",       "gX2",                    true,  true,  true,  true,  false, true,  true,  false,
     6000,  false, kClassicFlashStart, kClassicFlashEnd, 0x1000, 2, 128, 9600,
     "/versionfinder/gX2-Firmware.html"},
  {"OVT",       "OVT9 Logger",            true,  true,  true,  false, false, true,  true,  false,
     6000,  false, kClassicFlashStart, kClassicFlashEnd, 0x1000, 2, 128, 9600,
     "/versionfinder/OVT9-Firmware.html"},
  {"BRP",       "Brinel Ruv",             true,  false, false, false, true,  false, false, false,
     2000,  false, kClassicFlashStart, kClassicFlashEnd, 0x1000, 2, 128, 9600,
     "/versionfinder/Ruv-Firmware.txt"},
  {"PALTRIX",   "paltrix",                true,  false, false, false, false, true,  true,  false,
     6000,  true,  0x2100,             0x1FF00,          0x1000, 3, 64,  57600, ""},
  {"BR4TDL",    "Brinel 4 TDL",           true,  true,  true,  false, true,  true,  false, false,
     8000,  true,  0x8000,             0x27FFF,          0x1800, 3, 128, 57600,
     "/versionfinder/BR4TDL-Firmware.txt"},
  {"TRI",       "Twinring Infiltrometer", true,  true,  true,  true,  false, true,  false, false,
     8000,  true,  0x2100,             0x1FF00,          0x1000, 3, 64,  57600,
     "/versionfinder/TRI-Firmware.txt"},
  {"SIPHORAX",  "Siphorax",               true,  false, false, true,  false, false, false, false,
     2000,  false, 0x8000,             kClassicFlashEnd, 0x1000, 3, 64,  9600,
     "/versionfinder/Siphorax-Firmware.txt"},
}};
// clang-format on

const DeviceTypeRow& DeviceTypeRowOf(int32_t deviceType) {
  if (deviceType < 0 || deviceType >= static_cast<int32_t>(kDeviceTypeCount)) {
    return DeviceTypeTable[kUnknownDeviceType];
  }
  return DeviceTypeTable[static_cast<size_t>(deviceType)];
}

uint8_t FindDeviceTypeByCode(std::string_view code) {
  for (size_t row = 1; row < kDeviceTypeCount; ++row) {
    const std::string_view rowCode = DeviceTypeTable[row].code;
    if (rowCode.size() != code.size()) {
      continue;
    }
    bool equal = true;
    for (size_t i = 0; i < code.size() && equal; ++i) {
      equal = std::toupper(static_cast<unsigned char>(code[i])) == rowCode[i];
    }
    if (equal) {
      return static_cast<uint8_t>(row);
    }
  }
  return kUnknownDeviceType;
}

namespace {

// Oldest device firmware that this program's boot-loader handling can replace, per row; rows not
// listed are always (or never) supported, see IsSupported.
bool IsSupported(int32_t row, int32_t version) {
  switch (row) {
    case 2:
    case 7:
    case 9:
    case 11:
    case 13:
    case 14:
    case 15:
    case 16:
    case 17:
    case 18:
    case 19:
    case 20:
    case 21:
    case 22:
    case 23:
    case 24:
      return true;
    case 3:
      return version >= 103;
    case 4:
      return version >= 105;
    case 6:
      return version >= 118;
    case 8:
      return version >= 150;
    case 12:
      return version >= 351;
    default:  // 1 (RVA) and 5 (KW) never; 0 and anything outside the table never
      return false;
  }
}

void UseNewSensorMap(DeviceDescriptor& out) {
  out.flashStart = 0x8000;
  out.flashEnd = 0xF9FF;
  out.infoStart = 0x1000;
  out.infoSegments = 3;
  out.infoSegmentSize = 64;
}

void UseOldSensorMap(DeviceDescriptor& out) {
  out.flashStart = 0x1100;
  out.flashEnd = 0xF9FF;
  out.infoStart = 0x1000;
  out.infoSegments = 2;
  out.infoSegmentSize = 128;
}

void SetVersionWindow(DeviceDescriptor& out, int32_t minVersion, int32_t maxVersion) {
  out.checkVersionWindow = true;
  out.minVersion = minVersion;
  out.maxVersion = maxVersion;
}

}  // namespace

void BuildDeviceDescriptor(int32_t row, int32_t version, DeviceDescriptor& out) {
  out = DeviceDescriptor{};
  const bool inTable = row > 0 && row < static_cast<int32_t>(kDeviceTypeCount);
  const DeviceTypeRow& source = DeviceTypeRowOf(inTable ? row : 0);
  out.typeRow = static_cast<uint8_t>(inTable ? row : 0);
  out.deviceVersion = version;
  CopyTruncated(out.displayName, source.displayName);
  out.restartWaitMs = source.restartWaitMs;
  out.keepsSettings = source.keepsSettings;
  out.eraseDataAfter = source.eraseDataAfter;
  out.checksBattery = source.checksBattery;
  out.needsAccessLogin = source.needsAccessLogin;
  out.setsClock = source.setsClock;
  out.usesPostInit = source.usesPostInit;
  out.showNotice = source.showNotice;
  out.extendedAddresses = source.extendedAddresses;
  out.flashStart = source.flashStart;
  out.flashEnd = source.flashEnd;
  out.infoStart = source.infoStart;
  out.infoSegments = source.infoSegments;
  out.infoSegmentSize = source.infoSegmentSize;
  out.bootBaud = source.bootBaud;

  out.supported = IsSupported(out.typeRow, version);
  if (out.typeRow == kPelmiratDeviceType) {
    // Every Pelmirat in the field has the 20-bit part, whatever older table data said.
    out.extendedAddresses = true;
    out.flashStart = 0x2100;
    out.flashEnd = 0x1FF00;
    out.infoStart = 0x1000;
    out.infoSegments = 3;
    out.infoSegmentSize = 64;
    out.bootBaud = 57600;
  } else if (out.typeRow == 15) {
    SetVersionWindow(out, 202, 999);
  } else if (out.typeRow == kDigitalSensorDeviceType) {
    SensorMemoryMap(out);
  }
}

void SensorMemoryMap(DeviceDescriptor& out, int32_t sensorType, int32_t imageVersion) {
  out.supported = true;
  out.checkVersionWindow = false;
  out.minVersion = 0;
  out.maxVersion = 0;
  UseNewSensorMap(out);
  switch (sensorType) {
    case 94:
    case 95:
    case 105:
    case 106:
    case 107:
    case 113:
    case 116:
    case 117:
    case 118:
    case 121:
    case 260:
    case 261:
    case 262:
    case 263:
      break;
    case 112:
      SetVersionWindow(out, 388, 999);
      break;
    case 119:
      SetVersionWindow(out, 100, 999);
      break;
    case 120:
    case 122:
      // These sensors moved to the new memory map with firmware 2.50; an image older than that
      // still targets the old map and may only replace firmware of its own generation.
      if (imageVersion >= 250) {
        SetVersionWindow(out, 250, 999);
      } else {
        UseOldSensorMap(out);
        SetVersionWindow(out, 100, 249);
      }
      break;
    case 124:
    case 125:
    case 126:
    case 127:
      UseOldSensorMap(out);
      break;
    default:
      out.supported = false;
      break;
  }
}

namespace {

bool IsSpace(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The version answer read as "<code> <major>.<minor digit><second digit>", the way devices
// write it. Whitespace may precede every number; the second digit may be missing.
struct VersionAnswer {
  std::string_view code;
  int32_t version = 0;
};

// Majors of more digits than this are not versions any device reports; refusing them keeps
// major * 100 well inside 32 bits.
constexpr int kMaxMajorDigits = 6;

bool ReadVersionAnswer(std::string_view text, VersionAnswer& out) {
  size_t i = 0;
  auto skipSpace = [&] {
    while (i < text.size() && IsSpace(text[i])) {
      ++i;
    }
  };
  skipSpace();
  const size_t codeStart = i;
  while (i < text.size() && !IsSpace(text[i])) {
    ++i;
  }
  if (i == codeStart) {
    return false;
  }
  out.code = text.substr(codeStart, i - codeStart);

  skipSpace();
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int32_t major = 0;
  int digits = 0;
  while (i < text.size() && IsDigit(text[i])) {
    if (++digits > kMaxMajorDigits) {
      return false;
    }
    major = major * 10 + (text[i] - '0');
    ++i;
  }
  if (digits == 0 || i >= text.size() || text[i] != '.') {
    return false;
  }
  ++i;
  skipSpace();
  if (i >= text.size() || !IsDigit(text[i])) {
    return false;  // code word and major only: fewer than three fields
  }
  const int32_t minor = text[i++] - '0';
  skipSpace();
  const int32_t second = (i < text.size() && IsDigit(text[i])) ? text[i] - '0' : 0;
  out.version = (negative ? -major : major) * 100 + minor * 10 + second;
  return true;
}

}  // namespace

int32_t DetectDeviceType(const char* answer, DeviceDescriptor* out) {
  if (answer == nullptr || out == nullptr || answer[0] == '\0') {
    return kDeviceTypeMissingArgument;
  }
  const std::string_view text(answer);
  if (text.find('.') == std::string_view::npos) {
    BuildDeviceDescriptor(kUnknownDeviceType, 0, *out);
    CopyTruncated(out->versionText, text);
    return 1;
  }
  VersionAnswer parsed;
  if (!ReadVersionAnswer(text, parsed)) {
    return kDeviceTypeUnreadable;
  }
  const uint8_t row = FindDeviceTypeByCode(parsed.code);
  BuildDeviceDescriptor(row, parsed.version, *out);
  CopyTruncated(out->versionText, text);
  return row == kUnknownDeviceType ? kDeviceTypeUnreadable : 1;
}

}  // namespace vesk
