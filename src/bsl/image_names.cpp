#include "bsl/image_names.h"

#include <cctype>
#include <cstdint>
#include <limits>
#include <string>

#include "bsl/device_type_table.h"

namespace vesk {
namespace {

// Digital-sensor models whose firmware files carry their model code instead of a table code.
bool IsDigitalSensorModel(std::string_view code) {
  return code == "7KA" || code == "7KB";
}

// At most this many version digits are taken from a name.
constexpr size_t kMaxVersionDigits = 11;

int32_t VersionFromName(std::string_view name) {
  const size_t separator = name.find_first_of(" -");
  if (separator == std::string_view::npos) {
    return 0;
  }
  int64_t value = 0;
  size_t digits = 0;
  for (size_t i = separator + 1; i < name.size() && digits < kMaxVersionDigits; ++i) {
    if (name[i] >= '0' && name[i] <= '9') {
      value = value * 10 + (name[i] - '0');
      ++digits;
    }
  }
  // Eleven digits can exceed 32 bits (a date in the name, say); such a name gets the largest
  // version rather than a wrapped, possibly negative one.
  const int64_t limit = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value > limit ? limit : value);
}

}  // namespace

std::string_view FileNameOf(std::string_view path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

void SetNamesFromFileName(FirmwareImage& image, std::string_view path) {
  CopyTruncated(image.imageName, FileNameOf(path));
  std::string name(ImageName(image));
  const size_t extension = name.find(".txt");
  if (extension != std::string::npos) {
    name.resize(extension);
  }

  std::string code = name.substr(0, name.find_first_of(" -_"));
  for (char& c : code) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  const uint8_t row = FindDeviceTypeByCode(code);
  if (row != kUnknownDeviceType) {
    image.imageDeviceType = row;
  } else if (IsDigitalSensorModel(code)) {
    image.imageDeviceType = kDigitalSensorDeviceType;
  }

  image.imageVersion = VersionFromName(name);

  // "3-26" in a file name stands for version 3.26; show it that way.
  const size_t hyphen = name.rfind('-');
  if (hyphen != std::string::npos && hyphen > 0 && hyphen + 1 < name.size() &&
      std::isdigit(static_cast<unsigned char>(name[hyphen - 1])) &&
      std::isdigit(static_cast<unsigned char>(name[hyphen + 1]))) {
    name[hyphen] = '.';
  }
  CopyTruncated(image.imageName, name);
}

}  // namespace vesk
