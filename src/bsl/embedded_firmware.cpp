#include "bsl/embedded_firmware.h"

#include <new>

namespace vesk {

int32_t LoadEmbeddedFirmware(FirmwareImage& image, const EmbeddedFirmware& firmware) {
  CopyTruncated(image.imageName, firmware.productName);
  image.imageDeviceType = firmware.deviceType;
  image.imageVersion = firmware.version;
  image.vectors = firmware.vectors;
  image.loadCursor = 0;
  image.ownsImage = false;
  try {
    // Never more than the recorded length: a text that grew is damaged, not a bigger image.
    const size_t take = firmware.imageText.size() < firmware.expectedLength
                            ? firmware.imageText.size()
                            : firmware.expectedLength;
    image.imageText.assign(firmware.imageText.substr(0, take));
  } catch (const std::bad_alloc&) {
    image.imageText.clear();
    image.imageLength = 0;
    image.hostStatus = kImageOutOfMemory;
    return image.hostStatus;
  }
  image.imageLength = static_cast<uint32_t>(image.imageText.size());
  const bool lengthOk = firmware.imageText.size() == firmware.expectedLength &&
                        firmware.imageText.find('\0') == std::string_view::npos;
  const bool sumOk = ImageChecksum(image.imageText) == firmware.expectedChecksum;
  image.hostStatus = (lengthOk && sumOk) ? 0 : kImageDamaged;
  return image.hostStatus;
}

}  // namespace vesk
