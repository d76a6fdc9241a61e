// What `veskbsl-cli info` shows about a device: its identity and the settings that were read,
// as text for people or as JSON. Settings are keyed by the names the settings file uses for a
// logger (deviceid, name, sn, trait, wake, ...).
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "device/device_info.h"

namespace vesk::cli {

// {"type", "typeCode", "versionText", "version", "name", "serialNumber", "supportedMask",
//  "capabilities"}
nlohmann::json IdentityJson(const DeviceInfo& info);

// The settings whose setting:: bits are in `read`, keyed by their settings-file names. Numbers
// stay numbers; the five ports, depths and calibration factors are arrays.
nlohmann::json SettingsJson(const DeviceInfo& info, uint32_t read);

// The same for people: one "Label: value" line each.
std::string IdentityText(const DeviceInfo& info);
// One "  key  value" line per setting, with the values as the settings file writes them.
std::string SettingsText(const DeviceInfo& info, uint32_t read);

}  // namespace vesk::cli
