// Where the program keeps its per-user files (the log, the settings file).
#pragma once

#include <string>

namespace vesk {

// $XDG_DATA_HOME/Norquil/VeskBSL (default ~/.local/share/Norquil/VeskBSL), created with its
// parents when missing. When no such folder can be had, `fallback` (the program's own folder).
std::string DataFolder(const std::string& fallback);

// The log file of a program whose window caption is `caption`: <data folder>/<caption>.errors.txt
std::string ErrorLogPath(const std::string& dataFolder, const std::string& caption);

}  // namespace vesk
