// veskbsl-cli image: shows the firmware image this program would write (the embedded one, or a
// TI-Text file loaded as the window's "Open Firmware File..." loads it) and can dump it.
//
// Exit status: 0 success; 1 the embedded image is damaged; 2 the firmware file could not be
// loaded; 3 the dump could not be written.
#pragma once

#include <string>

#include "cli/subcommand.h"

namespace vesk::cli {

inline constexpr int kImageExitDamaged = 1;
inline constexpr int kImageExitFileError = 2;
inline constexpr int kImageExitDumpError = 3;

class ImageCommand : public Subcommand {
 public:
  CLI::App* Register(CLI::App& app) override;
  int Run() override;

 private:
  std::string firmwarePath_;
  std::string dumpPath_;
  bool json_ = false;
};

}  // namespace vesk::cli
