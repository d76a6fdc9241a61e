// Options every subcommand that talks to a device shares: the port and where the log goes.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

namespace vesk::cli {

// --port PORT (required).
void AddPortOption(CLI::App& sub, std::string& port);
// --log FILE.
void AddLogOption(CLI::App& sub, std::string& logPath);

// The log file to write: `requested` when given, otherwise the desktop program's log in the
// per-user data folder (or beside the program when there is none).
std::string LogPathOrDefault(const std::string& requested);

}  // namespace vesk::cli
