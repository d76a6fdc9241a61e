// veskbsl-cli info: connects to a logger, reader or communication device over its command line
// (9600 baud, 3 attempts per command), identifies it and prints its type, name, serial number,
// version and capabilities; with --settings also every setting the device has. It never writes
// a setting.
//
// Exit status:
//    0  the device was identified (and, with --settings, every setting it has was read)
//    1  anything else went wrong (see the message)
//    3  the device runs firmware too old for this program (an Rva before 1.10)
//    4  the port could not be opened
//    5  nothing answered on the port
//    6  a boot loader answered instead of the device's command line
//    7  something answered, but not as a device's command line does (refusals, echoes, answers
//       this program cannot read)
//    8  the device was identified, but some of its details or settings could not be read
//  100 and above: the command line could not be read (from the option parser)
#pragma once

#include <string>

#include "cli/subcommand.h"

namespace vesk::cli {

inline constexpr int kInfoExitOther = 1;
inline constexpr int kInfoExitTooOld = 3;
inline constexpr int kInfoExitPort = 4;
inline constexpr int kInfoExitNoAnswer = 5;
inline constexpr int kInfoExitBootLoader = 6;
inline constexpr int kInfoExitNotUnderstood = 7;
inline constexpr int kInfoExitPartial = 8;

class InfoCommand : public Subcommand {
 public:
  CLI::App* Register(CLI::App& app) override;
  int Run() override;

 private:
  std::string port_;
  bool settings_ = false;
  bool json_ = false;
  std::string logPath_;
};

}  // namespace vesk::cli
