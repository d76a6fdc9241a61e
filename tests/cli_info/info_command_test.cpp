// veskbsl-cli info as a user runs it, against simulated devices on a pseudo-terminal.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "framework/device_server.h"
#include "models/command_line_device_kinds.h"
#include "models/command_line_device_model.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace vesk::test {
namespace {

using nlohmann::json;

class InfoCommand : public testing::Test {
 protected:
  void Serve(const std::string& preset,
             const std::function<void(sim::CommandLineDeviceConfig&)>& tweak = {}) {
    auto config = sim::CommandLineDevicePreset(preset);
    ASSERT_TRUE(config);
    if (tweak) {
      tweak(*config);
    }
    server = std::make_unique<sim::DeviceServer>(
        std::make_unique<sim::CommandLineDeviceModel>(std::move(*config)));
    server->Start();
  }

  CliRun Info(std::vector<std::string> args) {
    args.insert(args.begin(), "info");
    args.insert(args.end(), {"--log", dir.File("log.txt")});
    return CliRunner(dir).Run(args);
  }

  std::vector<std::string> Lines() {
    return server->WithModel<sim::CommandLineDeviceModel>(
        [](sim::CommandLineDeviceModel& m) { return m.device().lines(); });
  }

  TempDir dir;
  std::unique_ptr<sim::DeviceServer> server;
};

TEST_F(InfoCommand, PrintsTheIdentityForPeople) {
  Serve("rvan");
  const CliRun run = Info({"--port", server->portPath()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Device:        Rvan (type 3)"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Name:          LAKE01"), std::string::npos);
  EXPECT_NE(run.out.find("Serial number: RN20417"), std::string::npos);
  EXPECT_NE(run.out.find("Version:       RVAN 2.02 (202)"), std::string::npos);
  EXPECT_NE(run.out.find("Capabilities:  0x5E7FFF7: baud rate change"), std::string::npos);
  EXPECT_EQ(run.out.find("Settings:"), std::string::npos);
}

TEST_F(InfoCommand, JsonHoldsTheIdentityAndOnlyTheSettingsThatWereRead) {
  Serve("gx2", [](sim::CommandLineDeviceConfig& config) {
    config.faults = {{"get -site", "\rERROR\r>", -1}};
  });
  const CliRun run = Info({"--port", server->portPath(), "--settings", "--json"});
  EXPECT_EQ(run.status, 8) << "a setting could not be read";
  EXPECT_NE(run.err.find("could not be read"), std::string::npos) << run.err;
  const json out = json::parse(run.out);
  EXPECT_EQ(out["type"], "gX2");
  EXPECT_EQ(out["typeCode"], 11);
  EXPECT_EQ(out["versionText"], "GX2 1.10");
  EXPECT_EQ(out["version"], 110);
  EXPECT_EQ(out["name"], "GXRIVER");
  EXPECT_EQ(out["serialNumber"], "GX00912");
  EXPECT_EQ(out["supportedMask"], 0x5E3FFF7);

  const json& settings = out["settings"];
  EXPECT_EQ(settings["deviceid"], "D1234567");
  EXPECT_EQ(settings["trait"], 0x4001);
  EXPECT_EQ(settings["wake"], 300);
  EXPECT_EQ(settings["depth"], json::array({10, 20, 30, 40, 50}));
  EXPECT_EQ(settings["ADC30 slopes"], json::array({12, 22, 32, 42, 52}));
  EXPECT_EQ(settings["rsch"], 0x1A2B);
  EXPECT_EQ(settings["rmode"], 16);
  EXPECT_DOUBLE_EQ(settings["lat"].get<double>(), 45.12345);
  EXPECT_FALSE(settings.contains("site")) << "refused, so not read";
  for (const char* absent : {"VeskBuild", "apn", "authkey", "ipport"}) {
    EXPECT_FALSE(settings.contains(absent)) << absent << ": a gX2 has none";
  }
  for (const std::string& line : Lines()) {
    EXPECT_NE(line.rfind("set ", 0), 0u) << "info must never write: " << line;
  }
}

TEST_F(InfoCommand, EverySettingOfAnRvanIsListed) {
  Serve("rvan");
  const CliRun run = Info({"--port", server->portPath(), "--settings", "--json"});
  EXPECT_EQ(run.status, 0) << run.err;
  const json settings = json::parse(run.out)["settings"];
  const std::vector<std::string> keys = {
      "deviceid", "name",  "sn",           "trait",         "wake",         "padc",
      "ports",    "depth", "ADC15 slopes", "ADC15 offsets", "ADC30 slopes", "ADC30 offsets",
      "rmode",    "rch",   "rsch",         "rver",          "data",         "site",
      "lat",      "lon",   "timezone",     "report",        "apn",          "user",
      "passwd",   "host",  "authkey",      "ipport",        "VeskBuild"};
  for (const std::string& key : keys) {
    EXPECT_TRUE(settings.contains(key)) << key;
  }
  EXPECT_EQ(settings.size(), keys.size());
  EXPECT_EQ(settings["authkey"], "0123456789ABCDEF0123456789ABCDEF");
  EXPECT_EQ(settings["timezone"], -32);
}

struct FailureCase {
  const char* what;
  const char* preset;  // nullptr: no device at all
  std::function<void(sim::CommandLineDeviceConfig&)> tweak;
  int status;
  const char* words;
};

TEST_F(InfoCommand, FailuresAreExplainedWithTheirExitStatus) {
  const FailureCase cases[] = {
      {"no such port", nullptr, {}, 4, "there is no such port"},
      {"silent device", "rvan", [](sim::CommandLineDeviceConfig& c) { c.silentAfterCommands = 0; },
       5, "Nothing answered on"},
      {"boot loader", "rvan",
       [](sim::CommandLineDeviceConfig& c) { c.bootLoader = sim::BootLoaderState::kActive; }, 6,
       "boot loader answered"},
      {"echoing line", "rvan", [](sim::CommandLineDeviceConfig& c) { c.echoCommands = true; }, 7,
       "came back echoed"},
      {"old Rva before 1.10", "rva-old",
       [](sim::CommandLineDeviceConfig& c) { c.versionNumber = "1.05"; }, 3, "older than 1.10"},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::string port = dir.File("no-such-port");
    if (c.preset != nullptr) {
      Serve(c.preset, c.tweak);
      port = server->portPath();
    }
    const CliRun run = Info({"--port", port, "--json"});
    EXPECT_EQ(run.status, c.status);
    EXPECT_NE(run.err.find(c.words), std::string::npos) << run.err;
    const json out = json::parse(run.out);
    EXPECT_EQ(out["exit"], c.status);
    EXPECT_NE(out["error"].get<std::string>().find(c.words), std::string::npos);
  }
}

}  // namespace
}  // namespace vesk::test
