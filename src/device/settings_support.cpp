#include "device/settings_support.h"

#include "device/protocol_device_type.h"

namespace vesk {
namespace {

// An old-firmware device knows PADC ("hertz") from this version on.
constexpr int32_t kOldestPadcVersion = 165;

}  // namespace

int TraitHasRadio(const DeviceInfo& info) {
  if ((info.trait & kTraitKnown) == 0) {
    return -1;
  }
  return (info.trait & kTraitRadioFitted) != 0 ? 1 : 0;
}

int TraitHasCellular(const DeviceInfo& info) {
  if ((info.trait & kTraitKnown) == 0) {
    return -1;
  }
  return info.typeCode == device_type::kRvan && (info.trait & kTraitCellularFitted) != 0 ? 1 : 0;
}

uint32_t SettingsSupportedBy(const DeviceInfo& info) {
  const uint32_t can = info.supportedMask;
  auto has = [can](uint32_t bit) { return (can & bit) != 0; };
  uint32_t mask = setting::kIdentity | setting::kName | setting::kTrait;
  if (info.verKnown != 0) {
    mask |= setting::kSerialNumber;  // the old firmware's "show" has no serial number
  }
  if (has(capability::kWakeAndPadc)) {
    mask |= setting::kWake;
    if (info.verKnown != 0 || info.version >= kOldestPadcVersion) {
      mask |= setting::kPadc;
    }
  }
  if (has(capability::kPorts)) {
    mask |= setting::kPorts;
  }
  if (has(capability::kLoggerIdentity)) {
    mask |= setting::kDeviceId | setting::kReport | setting::kDepth | setting::kSite |
            setting::kTimeZone;
  }
  if (has(capability::kPosition)) {
    mask |= setting::kLatitude | setting::kLongitude;
  }
  if (has(capability::kRadioMode)) {
    mask |= setting::kRmode;
  }
  if (has(capability::kRadio) && TraitHasRadio(info) != 0) {
    mask |= setting::kRadio;
  }
  if (has(capability::kDataParameter)) {
    mask |= setting::kDataParameter;
  }
  if (has(capability::kBuildInfo)) {
    mask |= setting::kBuild;
  }
  if (has(capability::kAdcCalibration)) {
    mask |= setting::kAdc30 | setting::kAdc15;
  }
  if (TraitHasCellular(info) == 1) {
    mask |= setting::kApn | setting::kApnUser | setting::kApnPassword | setting::kAuthKey |
            setting::kHost | setting::kIpPort;
  }
  return mask;
}

}  // namespace vesk
