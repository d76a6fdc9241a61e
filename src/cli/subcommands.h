// The list of veskbsl-cli's subcommands.
#pragma once

#include <memory>
#include <vector>

#include "cli/subcommand.h"

namespace vesk::cli {

std::vector<std::unique_ptr<Subcommand>> AllSubcommands();

}  // namespace vesk::cli
