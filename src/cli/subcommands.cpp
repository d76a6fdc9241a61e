#include "cli/subcommands.h"

namespace vesk::cli {

std::vector<std::unique_ptr<Subcommand>> AllSubcommands() {
  std::vector<std::unique_ptr<Subcommand>> commands;
  // One line per subcommand, in the order --help lists them.
  return commands;
}

}  // namespace vesk::cli
