#include "cli/subcommands.h"

#include "cli/commands/image_command.h"

namespace vesk::cli {

std::vector<std::unique_ptr<Subcommand>> AllSubcommands() {
  std::vector<std::unique_ptr<Subcommand>> commands;
  // One line per subcommand, in the order --help lists them.
  commands.push_back(std::make_unique<ImageCommand>());
  return commands;
}

}  // namespace vesk::cli
