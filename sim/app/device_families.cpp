#include "app/bootloader_family.h"
#include "app/command_line_family.h"
#include "app/device_family.h"

namespace vesk::sim {

std::vector<std::unique_ptr<DeviceFamily>> AllDeviceFamilies() {
  std::vector<std::unique_ptr<DeviceFamily>> families;
  families.push_back(std::make_unique<BootloaderFamily>());
  families.push_back(std::make_unique<CommandLineFamily>());
  return families;
}

}  // namespace vesk::sim
