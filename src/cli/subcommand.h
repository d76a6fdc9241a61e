// One subcommand of veskbsl-cli: it declares its options and help, and runs.
#pragma once

#include <CLI/CLI.hpp>

namespace vesk::cli {

class Subcommand {
 public:
  virtual ~Subcommand() = default;
  // Adds the subcommand and its options to `app`.
  virtual CLI::App* Register(CLI::App& app) = 0;
  // Runs it after parsing; the result is the program's exit status.
  virtual int Run() = 0;
};

}  // namespace vesk::cli
