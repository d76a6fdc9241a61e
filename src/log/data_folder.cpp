#include "log/data_folder.h"

#include <cstdlib>
#include <filesystem>

namespace vesk {

std::string DataFolder(const std::string& fallback) {
  namespace fs = std::filesystem;
  fs::path base;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    base = fs::path(home) / ".local" / "share";
  } else {
    return fallback;
  }
  const fs::path folder = base / "Norquil" / "VeskBSL";
  std::error_code error;
  fs::create_directories(folder, error);
  if (error || !fs::is_directory(folder)) {
    return fallback;
  }
  return folder.string();
}

std::string ErrorLogPath(const std::string& dataFolder, const std::string& caption) {
  return (std::filesystem::path(dataFolder) / (caption + ".errors.txt")).string();
}

}  // namespace vesk
