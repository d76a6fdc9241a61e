// A family of simulated devices that veskbsl-sim can serve to people.
#pragma once

#include <CLI/CLI.hpp>

#include <memory>
#include <string>
#include <vector>

#include "framework/device_model.h"

namespace vesk::sim {

class DeviceFamily {
 public:
  virtual ~DeviceFamily() = default;
  // The names accepted by --device, each with a one-line description for --help.
  virtual std::vector<std::pair<std::string, std::string>> Devices() const = 0;
  // Adds the family's own options (in an option group named after the family).
  virtual void AddOptions(CLI::App& app) = 0;
  // Builds the model for one of Devices(), from the parsed options.
  virtual std::unique_ptr<DeviceModel> Make(const std::string& device) = 0;
};

// Every family veskbsl-sim knows; each family adds its line in device_families.cpp.
std::vector<std::unique_ptr<DeviceFamily>> AllDeviceFamilies();

}  // namespace vesk::sim
