// Ready-made command-line devices, one per kind, each with a realistic settings store holding
// exactly the settings its kind and firmware version have.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "models/command_line_device.h"

namespace vesk::sim {

// The preset names ("rvan", "gx2", "pelmirat", ...) with a one-line description each.
std::vector<std::pair<std::string, std::string>> CommandLineDeviceKinds();

// The preset called `name`; nothing for an unknown name.
std::optional<CommandLineDeviceConfig> CommandLineDevicePreset(std::string_view name);

// The same device fresh from the factory: the same kind, version and radio, every setting that
// the program writes emptied (texts "", numbers 0, lists of zeros, the trait 255).
CommandLineDeviceConfig BlankOf(const CommandLineDeviceConfig& device);

}  // namespace vesk::sim
