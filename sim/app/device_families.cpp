#include "app/device_family.h"

namespace vesk::sim {

std::vector<std::unique_ptr<DeviceFamily>> AllDeviceFamilies() {
  std::vector<std::unique_ptr<DeviceFamily>> families;
  return families;
}

}  // namespace vesk::sim
