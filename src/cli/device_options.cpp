#include "cli/device_options.h"

#include <filesystem>

#include "bsl/build_constants.h"
#include "log/data_folder.h"

namespace vesk::cli {
namespace {

std::string ProgramFolder() {
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string(".") : exe.parent_path().string();
}

}  // namespace

void AddPortOption(CLI::App& sub, std::string& port) {
  sub.add_option("--port", port, "The serial port the device is on (e.g. /dev/ttyUSB0, COM3)")
      ->required()
      ->type_name("PORT");
}

void AddLogOption(CLI::App& sub, std::string& logPath) {
  sub.add_option("--log", logPath,
                 "Write the log here instead of the program's log in the data folder "
                 "(~/.local/share/Norquil/VeskBSL)")
      ->type_name("FILE");
}

std::string LogPathOrDefault(const std::string& requested) {
  if (!requested.empty()) {
    return requested;
  }
  return ErrorLogPath(DataFolder(ProgramFolder()), kBuildWindowCaption);
}

}  // namespace vesk::cli
