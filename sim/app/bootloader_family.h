// veskbsl-sim's boot-loader device: a device of any row of the device-type table, with its
// memory map, boot speed and restart time, and the faults a rescue has to cope with.
#pragma once

#include <string>

#include "app/device_family.h"
#include "models/bootloader_device.h"

namespace vesk::sim {

class BootloaderFamily final : public DeviceFamily {
 public:
  std::vector<std::pair<std::string, std::string>> Devices() const override;
  void AddOptions(CLI::App& app) override;
  std::unique_ptr<DeviceModel> Make(const std::string& device) override;

 private:
  int deviceType_ = -1;  // -1: the embedded image's device type
  std::string start_ = "application";
  bool noBootLoader_ = false;
  bool refuseBoot_ = false;
  std::string refuseFrame_;
  bool noVectorAck_ = false;
  int restartMs_ = -1;  // -1: the row's restart time
  int bslVersion_ = 21;
  bool blank_ = false;
  std::string expect_;
};

// Reads "W:3" (the third "W" frame) into the options; false when the text is not of that form.
bool ParseRefusal(const std::string& text, BootloaderOptions& options);

}  // namespace vesk::sim
