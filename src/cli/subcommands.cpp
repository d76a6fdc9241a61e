#include "cli/subcommands.h"

#include "cli/commands/bsl_flash_command.h"
#include "cli/commands/image_command.h"
#include "cli/commands/info_command.h"

namespace vesk::cli {

std::vector<std::unique_ptr<Subcommand>> AllSubcommands() {
  std::vector<std::unique_ptr<Subcommand>> commands;
  // One line per subcommand, in the order --help lists them.
  commands.push_back(std::make_unique<ImageCommand>());
  commands.push_back(std::make_unique<BslFlashCommand>());
  commands.push_back(std::make_unique<InfoCommand>());
  return commands;
}

}  // namespace vesk::cli
