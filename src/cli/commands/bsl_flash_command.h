// veskbsl-cli bsl-flash: the rescue path for a device whose update was interrupted, and the
// plainest whole job: start (or take over) the device's boot loader, erase its INFO memory and
// flash, upload the image, write the vectors and let the device restart.
//
// Exit status:
//    0  every step succeeded
//    1  the embedded image is damaged
//    2  the firmware file could not be loaded
//    4  the port could not be opened
//    5  the device has no working boot loader
//    6  the boot loader could not be reached
//    7  the device refused a command while erasing or writing
//    8  the device stopped answering while erasing or writing
//    9  stopped on request (Ctrl-C)
//   10  the image does not fit the device's memory map
//  100 and above: the command line could not be read (from the option parser)
#pragma once

#include <string>

#include "cli/subcommand.h"

namespace vesk::cli {

inline constexpr int kFlashExitImageDamaged = 1;
inline constexpr int kFlashExitFileError = 2;
inline constexpr int kFlashExitPort = 4;
inline constexpr int kFlashExitNoBootLoader = 5;
inline constexpr int kFlashExitUnreachable = 6;
inline constexpr int kFlashExitRefused = 7;
inline constexpr int kFlashExitNoAnswer = 8;
inline constexpr int kFlashExitStopped = 9;
inline constexpr int kFlashExitDoesNotFit = 10;

class BslFlashCommand : public Subcommand {
 public:
  CLI::App* Register(CLI::App& app) override;
  int Run() override;

 private:
  std::string port_;
  std::string firmwarePath_;
  int deviceType_ = -1;  // -1: the image's device type
  int baud_ = 0;         // 0: the descriptor's boot speed
  bool json_ = false;
  std::string logPath_;
};

}  // namespace vesk::cli
