// veskbsl-cli: the firmware updater without a window, for scripts and service benches.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <vector>

#include "cli/subcommand.h"
#include "cli/subcommands.h"
#include "version.h"

int main(int argc, char** argv) {
  CLI::App app{"VeskBSL firmware updater for Norquil Devices instruments, loggers and sensors."};
  app.name("veskbsl-cli");
  app.set_version_flag("--version", std::string("veskbsl-cli ") + vesk::kProgramVersion);
  app.require_subcommand(0, 1);

  std::vector<std::unique_ptr<vesk::cli::Subcommand>> commands = vesk::cli::AllSubcommands();
  std::vector<std::pair<CLI::App*, vesk::cli::Subcommand*>> registered;
  for (auto& command : commands) {
    registered.emplace_back(command->Register(app), command.get());
  }

  CLI11_PARSE(app, argc, argv);

  for (auto& [sub, command] : registered) {
    if (sub->parsed()) {
      return command->Run();
    }
  }
  std::cout << app.help();
  return 0;
}
