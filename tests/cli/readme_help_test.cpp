// The README's table of subcommands must tell the truth about what --help offers.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace vesk::test {
namespace {

// Option names ("--port") listed in a --help text, without the ever-present --help.
std::set<std::string> OptionsIn(const std::string& help) {
  std::set<std::string> options;
  static const std::regex kOption(R"(^\s+(?:-\w,)?(--[a-z][a-z-]*))");
  std::istringstream lines(help);
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    if (std::regex_search(line, match, kOption) && match[1] != "--help") {
      options.insert(match[1]);
    }
  }
  return options;
}

// Subcommand names listed under "Subcommands:".
std::set<std::string> SubcommandsIn(const std::string& help) {
  std::set<std::string> names;
  const size_t start = help.find("Subcommands:");
  std::istringstream lines(help.substr(start == std::string::npos ? help.size() : start));
  static const std::regex kName(R"(^  ([a-z][a-z-]*)\s)");
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    if (std::regex_search(line, match, kName)) {
      names.insert(match[1]);
    }
  }
  return names;
}

TEST(ReadmeAndHelp, EverySubcommandAndOptionIsInTheReadme) {
  TempDir dir;
  CliRunner cli(dir);
  const std::string readme = ReadFile(std::string(VESKBSL_SOURCE_DIR) + "/README.md");
  ASSERT_FALSE(readme.empty());

  const CliRun top = cli.Run({"--help"});
  ASSERT_EQ(top.status, 0);
  const std::set<std::string> subcommands = SubcommandsIn(top.out);
  ASSERT_FALSE(subcommands.empty()) << top.out;

  for (const std::string& name : subcommands) {
    // The README row of the subcommand: "| `veskbsl-cli NAME ...` | ... |".
    const std::string marker = "| `veskbsl-cli " + name;
    const size_t at = readme.find(marker);
    ASSERT_NE(at, std::string::npos) << "README has no row for " << name;
    const std::string row = readme.substr(at, readme.find('\n', at) - at);

    const CliRun help = cli.Run({name, "--help"});
    ASSERT_EQ(help.status, 0) << name;
    for (const std::string& option : OptionsIn(help.out)) {
      EXPECT_NE(row.find(option), std::string::npos)
          << "README's row for " << name << " does not mention " << option;
    }
    EXPECT_NE(help.out.find("Exit status"), std::string::npos)
        << name << " --help does not document its exit codes";
  }
}

}  // namespace
}  // namespace vesk::test
