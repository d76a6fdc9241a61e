#include "app/bootloader_family.h"

#include <stdexcept>

#include "bsl/device_type_table.h"
#include "bsl/embedded_firmware.h"
#include "bsl/ti_text.h"

namespace vesk::sim {

bool ParseRefusal(const std::string& text, BootloaderOptions& options) {
  if (text.size() < 3 || text[1] != ':' ||
      std::string("g@WXV").find(text[0]) == std::string::npos) {
    return false;
  }
  try {
    size_t used = 0;
    const unsigned long n = std::stoul(text.substr(2), &used);
    if (used != text.size() - 2 || n == 0 || n > 1000000) {
      return false;
    }
    options.refuseLetter = text[0];
    options.refuseOccurrence = static_cast<uint32_t>(n);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::vector<std::pair<std::string, std::string>> BootloaderFamily::Devices() const {
  return {{"bootloader",
           "a device with the VeskBSL boot loader and a flash memory model "
           "(application firmware answers \"boot OIEM\")"}};
}

void BootloaderFamily::AddOptions(CLI::App& app) {
  auto* group = app.add_option_group("Boot loader", "Options of --device bootloader");
  group
      ->add_option("--device-type", deviceType_,
                   "Device-type table row whose memory map, boot speed and restart time the "
                   "device has (default: the embedded image's, 10)")
      ->check(CLI::Range(0, static_cast<int>(kDeviceTypeCount) - 1));
  group
      ->add_option("--start", start_,
                   "Where the device starts: application, waiting (boot loader waiting for a "
                   "connection) or connected (boot loader already connected)")
      ->check(CLI::IsMember({"application", "waiting", "connected"}));
  group->add_flag("--no-bootloader", noBootLoader_,
                  "The device has no boot loader: it answers \"VeskBSL MISSING\"");
  group->add_flag("--refuse-boot", refuseBoot_, "The firmware answers \"boot\" with \"ERROR\"");
  group
      ->add_option("--refuse-frame", refuseFrame_,
                   "Refuse one frame once, e.g. W:3 for the third \"W\" (answer \"-\")")
      ->check(
          [](const std::string& text) {
            BootloaderOptions probe;
            return ParseRefusal(text, probe) ? std::string()
                                             : std::string("expected LETTER:N, e.g. W:3");
          },
          "LETTER:N");
  group->add_flag("--no-vector-ack", noVectorAck_,
                  "Take the vectors and restart without answering \"+\"");
  group
      ->add_option("--restart-ms", restartMs_,
                   "How long the device is silent after taking the vectors (default: the "
                   "row's restart time)")
      ->check(CLI::Range(0, 600000));
  group->add_option("--bsl-version", bslVersion_, "Version the boot loader reports to \"g\"")
      ->check(CLI::Range(1, 99999));
  group->add_flag("--blank", blank_, "Start with erased flash instead of an old firmware");
  group->add_option("--expect-firmware", expect_,
                    "With --dump-state, compare the flash with this TI-Text file, or with the "
                    "embedded image when the value is \"embedded\"");
}

std::unique_ptr<DeviceModel> BootloaderFamily::Make(const std::string& /*device*/) {
  const int row = deviceType_ >= 0 ? deviceType_ : BuiltInFirmware().deviceType;
  BootloaderOptions options = BootloaderOptionsForRow(row);
  if (start_ == "waiting") {
    options.start = BootloaderMode::kWaiting;
  } else if (start_ == "connected") {
    options.start = BootloaderMode::kConnected;
  }
  options.hasBootLoader = !noBootLoader_;
  options.refuseBoot = refuseBoot_;
  options.acknowledgeVectors = !noVectorAck_;
  if (restartMs_ >= 0) {
    options.restartTime = std::chrono::milliseconds(restartMs_);
  }
  options.bootLoaderVersion = bslVersion_;
  options.oldFirmware = !blank_;
  if (!refuseFrame_.empty()) {
    ParseRefusal(refuseFrame_, options);
  }
  if (!expect_.empty()) {
    FirmwareImage image;
    if (expect_ == "embedded") {
      if (LoadEmbeddedFirmware(image) != 0) {
        throw std::runtime_error("the embedded image is damaged");
      }
    } else if (BSLLoadTIFile(image, expect_, nullptr) != 1) {
      throw std::runtime_error("cannot read the TI-Text file " + expect_);
    }
    options.expected = ExpectedImage{std::string(ImageName(image)), image.imageText, image.vectors};
  }
  return std::make_unique<BootloaderDevice>(std::move(options));
}

}  // namespace vesk::sim
