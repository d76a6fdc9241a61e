// Which settings a device holds, worked out from its record: its kind's capabilities and, for
// the radio and cellular settings, its trait.
#pragma once

#include <cstdint>

#include "device/device_info.h"

namespace vesk {

// -1 while the trait is unknown; 1 when a radio module is fitted; 0 when not.
int TraitHasRadio(const DeviceInfo& info);
// -1 while the trait is unknown; 1 for an Rvan with a cellular modem; 0 otherwise.
int TraitHasCellular(const DeviceInfo& info);

// The setting:: bits a download from this device can fill, given its identity (typeCode,
// verKnown, version, supportedMask) and, when read, its trait. Radio settings count while the
// trait is unknown; cellular settings only once the trait says a modem is fitted.
uint32_t SettingsSupportedBy(const DeviceInfo& info);

}  // namespace vesk
