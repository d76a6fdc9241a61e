#include "bsl/embedded_firmware.h"

namespace vesk {

// Stand-in until the build embeds the image from firmware/.
const EmbeddedFirmware& BuiltInFirmware() {
  static const EmbeddedFirmware kNone{};
  return kNone;
}

}  // namespace vesk
