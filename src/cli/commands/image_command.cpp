#include "cli/commands/image_command.h"

#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

#include "bsl/build_constants.h"
#include "bsl/device_type_table.h"
#include "bsl/embedded_firmware.h"
#include "bsl/firmware_file_messages.h"
#include "bsl/firmware_image.h"
#include "bsl/image_names.h"
#include "bsl/ti_text.h"

namespace vesk::cli {
namespace {

std::string Hex(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
  return text;
}

void PrintText(const FirmwareImage& image) {
  const DeviceTypeRow& row = DeviceTypeRowOf(image.imageDeviceType);
  std::cout << "Image:        " << ImageName(image) << "\n";
  std::cout << "Version:      " << image.imageVersion << "\n";
  std::cout << "Device type:  " << static_cast<int>(image.imageDeviceType) << " ("
            << row.displayName << ")\n";
  const char* label = "Segments:     ";
  for (const ImageSegment& segment : ImageSegments(image.imageText)) {
    std::cout << label << "@" << Hex(segment.address, 5) << "  " << segment.bytes << " bytes\n";
    label = "              ";
  }
  std::cout << "Length:       " << image.imageLength << " characters\n";
  std::cout << "Checksum:     " << ImageChecksum(image.imageText) << "\n";
  for (size_t i = 0; i < kVectorCount; ++i) {
    std::cout << (i == 0       ? "Vectors:      "
                  : i % 8 == 0 ? "\n              "
                               : " ")
              << Hex(image.vectors[i] & 0xFFFF, 4);
  }
  std::cout << "\n";
}

void PrintJson(const FirmwareImage& image) {
  nlohmann::json segments = nlohmann::json::array();
  for (const ImageSegment& segment : ImageSegments(image.imageText)) {
    segments.push_back({{"address", segment.address}, {"bytes", segment.bytes}});
  }
  nlohmann::json vectors = nlohmann::json::array();
  for (uint32_t word : image.vectors) {
    vectors.push_back(word & 0xFFFF);
  }
  const nlohmann::json out = {
      {"name", std::string(ImageName(image))},
      {"version", image.imageVersion},
      {"deviceType", image.imageDeviceType},
      {"deviceTypeName", DeviceTypeRowOf(image.imageDeviceType).displayName},
      {"length", image.imageLength},
      {"checksum", ImageChecksum(image.imageText)},
      {"segments", segments},
      {"vectors", vectors},
  };
  // File names are 8-bit text of any code page; never let one break the JSON.
  std::cout << out.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
}

}  // namespace

CLI::App* ImageCommand::Register(CLI::App& app) {
  CLI::App* sub = app.add_subcommand(
      "image", "Show the firmware image this program writes: the embedded one, or a TI-Text file.");
  sub->add_option("--firmware", firmwarePath_,
                  "Load this TI-Text file instead of the embedded image, as \"Open Firmware "
                  "File...\" does (name, device type and version come from the file name)")
      ->type_name("FILE");
  sub->add_option("--dump", dumpPath_,
                  "Write the image as a readable dump (not TI-Text: no blanks, words high byte "
                  "first, no closing \"q\")")
      ->type_name("OUT");
  sub->add_flag("--json", json_, "Print one JSON object instead of text");
  sub->footer(
      "Exit status: 0 success, 1 the embedded image is damaged, 2 the firmware file could not be "
      "loaded, 3 the dump could not be written.");
  return sub;
}

int ImageCommand::Run() {
  FirmwareImage image;
  const int32_t status = LoadEmbeddedFirmware(image);
  if (status < 0) {
    std::cerr << ImageConstructionErrorText(status, kBuildWindowCaption) << "\n";
    return kImageExitDamaged;
  }

  if (!firmwarePath_.empty()) {
    const std::string fileName(FileNameOf(firmwarePath_));
    const int32_t result = BSLLoadTIFile(image, firmwarePath_, nullptr);
    if (result < 0) {
      std::cerr << FirmwareFileErrorText(result, fileName, kBuildWindowCaption) << "\n";
      return kImageExitFileError;
    }
    if (image.imageDeviceType == kUnknownDeviceType) {
      if (!kBuildDigitalSensorMode) {
        std::cerr << FirmwareFileNameErrorText(fileName, kBuildWindowCaption) << "\n";
        return kImageExitFileError;
      }
      image.imageDeviceType = kDigitalSensorDeviceType;
    }
  }

  if (!dumpPath_.empty()) {
    const int32_t result = BSLWriteTIFile(image, dumpPath_, nullptr);
    if (result < 0) {
      std::cerr << DumpErrorText(result) << "\n";
      return kImageExitDumpError;
    }
  }

  if (json_) {
    PrintJson(image);
  } else {
    PrintText(image);
  }
  return 0;
}

}  // namespace vesk::cli
