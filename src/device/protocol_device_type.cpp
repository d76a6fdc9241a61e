#include "device/protocol_device_type.h"

#include <array>

#include "device/device_info.h"

namespace vesk {
namespace {

struct TypeRow {
  const char* name;
  const char* word;  // "" for the kinds no device names itself as
};

constexpr std::array<TypeRow, device_type::kCount> kTypes = {{
    {"Unknown", ""},
    {"Unknown Logger", ""},
    {"Rva", "RVA"},
    {"Rvan", "RVAN"},
    {"Keldrum", "KD"},
    {"Keldwave", "KW"},
    {"Rvak", "RVAK"},
    {"Generic", ""},
    {"QUORL Comm Dev", "QCD"},
    {"QUORL Calibrator", "QUORL_CAL"},
    {"Pelmirat", "PL"},
    {"gX2", "GX2"},
    {"OVT9", "OVT"},
}};

// Bits a kind gains from a firmware version on.
struct VersionStep {
  int32_t from;
  uint32_t bits;
};

constexpr std::array<VersionStep, 8> kRvanSteps = {{{105, 0x80},
                                                    {108, 0x40},
                                                    {112, 0x8800},
                                                    {114, 0x70000},
                                                    {118, 0xC00000},
                                                    {119, 0x200000},
                                                    {200, 0x1000000},
                                                    {202, 0x4000000}}};
constexpr std::array<VersionStep, 2> kKeldrumSteps = {{{105, 0x80}, {109, 0x20000}}};
constexpr std::array<VersionStep, 1> kRvakSteps = {{{204, 0x40000}}};

template <size_t N>
uint32_t WithSteps(uint32_t base, const std::array<VersionStep, N>& steps, int32_t version) {
  for (const VersionStep& step : steps) {
    if (version >= step.from) {
      base |= step.bits;
    }
  }
  return base;
}

}  // namespace

const char* ProtocolDeviceTypeName(int typeCode) {
  if (typeCode < 0 || typeCode >= device_type::kCount) {
    return kTypes[0].name;
  }
  return kTypes[static_cast<size_t>(typeCode)].name;
}

const char* ProtocolDeviceTypeWord(int typeCode) {
  if (typeCode < 0 || typeCode >= device_type::kCount) {
    return "";
  }
  return kTypes[static_cast<size_t>(typeCode)].word;
}

int8_t ProtocolDeviceTypeOfWord(std::string_view word) {
  for (size_t code = 0; code < kTypes.size(); ++code) {
    if (kTypes[code].word[0] != '\0' && word == kTypes[code].word) {
      return static_cast<int8_t>(code);
    }
  }
  return device_type::kUnknown;
}

uint32_t SupportedMaskFor(int typeCode, bool verKnown, int32_t version) {
  switch (typeCode) {
    case device_type::kRva:
      return verKnown ? 0x371F : 0x331C;
    case device_type::kRvan:
      return WithSteps(0x7737, kRvanSteps, version);
    case device_type::kKeldrum:
      return WithSteps(0x4503, kKeldrumSteps, version);
    case device_type::kRvak:
      return WithSteps(0x74BE, kRvakSteps, version);
    case device_type::kCommDev:
      return 0x3007;
    case device_type::kCalibrator:
      return 0x10026;
    case device_type::kPelmirat:
      return 0x1D3083;
    case device_type::kGx2:
      return 0x5E3FFF7;
    case device_type::kOvt9:
      return 0x7C3F6F7;
    default:
      return 0x1005;
  }
}

std::vector<std::string> CapabilityNames(uint32_t supportedMask) {
  struct Named {
    uint32_t bit;
    const char* words;
  };
  static constexpr std::array<Named, 14> kNamed = {{
      {capability::kChangesBaud, "baud rate change"},
      {capability::kWakeAndPadc, "measurement interval and PADC"},
      {capability::kPorts, "ports"},
      {capability::kAnswersTrait, "trait"},
      {capability::kRadio, "radio"},
      {capability::kRadioMode, "radio mode"},
      {capability::kClock, "clock"},
      {capability::kAdcCalibration, "ADC calibration"},
      {capability::kDataParameter, "data parameter"},
      {capability::kBuildInfo, "build information"},
      {capability::kClockInSeconds, "clock in VeskSeconds"},
      {capability::kShortAdcCalibration, "short ADC calibration"},
      {capability::kLoggerIdentity, "device ID, report mode, depths, site and time zone"},
      {capability::kPosition, "latitude and longitude"},
  }};
  std::vector<std::string> names;
  for (const Named& named : kNamed) {
    if ((supportedMask & named.bit) != 0) {
      names.emplace_back(named.words);
    }
  }
  return names;
}

}  // namespace vesk
