// veskbsl-cli image, run as a user runs it: what it prints, the files it writes, the messages and
// exit codes of its failures.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "bsl/embedded_firmware.h"
#include "image_test_util.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using test::RunCli;

nlohmann::json ParseJson(const test::CliRun& r) {
  EXPECT_EQ(r.status, 0) << r.err;
  return nlohmann::json::parse(r.out);
}

TEST(ImageCommandTest, DescribesTheEmbeddedImage) {
  const nlohmann::json j = ParseJson(RunCli({"image", "--json"}));
  std::set<std::string> keys;
  for (const auto& [key, value] : j.items()) {
    keys.insert(key);
  }
  EXPECT_EQ(keys, (std::set<std::string>{"name", "version", "deviceType", "deviceTypeName",
                                         "length", "checksum", "segments", "vectors"}));
  EXPECT_EQ(j["name"], "OMB-3 3.26");
  EXPECT_EQ(j["version"], 326);
  EXPECT_EQ(j["deviceType"], 10);
  EXPECT_EQ(j["deviceTypeName"], "Digital Sensor");
  EXPECT_EQ(j["length"], 63442);
  EXPECT_EQ(j["checksum"], BuiltInFirmware().expectedChecksum);
  EXPECT_EQ(j["segments"], nlohmann::json::parse(R"([{"address":32768,"bytes":31232},
      {"address":65024,"bytes":448},{"address":65472,"bytes":32}])"));
  EXPECT_EQ(j["vectors"], nlohmann::json::parse("[16383,16383,32768,33064,16383,33058,33058,"
                                                "33058,33058,33058,33058,16383,33058,32988,"
                                                "33058,33620]"));

  const test::CliRun text = RunCli({"image"});
  EXPECT_EQ(text.status, 0);
  for (const char* line :
       {"Image:        OMB-3 3.26\n", "Version:      326\n", "Device type:  10 (Digital Sensor)\n",
        "@08000  31232 bytes\n", "@0FE00  448 bytes\n", "@0FFC0  32 bytes\n",
        "Length:       63442 characters\n",
        "Vectors:      3FFF 3FFF 8000 8128 3FFF 8122 8122 8122\n"
        "              8122 8122 8122 3FFF 8122 80DC 8122 8354\n"}) {
    EXPECT_NE(text.out.find(line), std::string::npos) << line << " in\n" << text.out;
  }
}

TEST(ImageCommandTest, DumpsTheEmbeddedImage) {
  test::TempDir dir;
  const std::string out = dir.File("dump.txt");
  EXPECT_EQ(RunCli({"image", "--dump", out}).status, 0);
  EXPECT_EQ(test::CheckEmbeddedDumpLayout(test::ReadFile(out)), "");
}

TEST(ImageCommandTest, LoadsAFirmwareFileAsTheWindowDoes) {
  test::TempDir dir;
  const char content[] = "@8000\n0F 12 0E 12\n@FFFE\n54 83\nq\n";
  struct Case {
    const char* fileName;
    int deviceType;  // 10 when the name's code is not a row: the digital-sensor build's type
    const char* deviceTypeName;
    int version;
  };
  const Case cases[] = {{"RVAN 3.26.txt", 3, "Rvan", 326},
                        {"OMB-3 3.27.txt", 10, "Digital Sensor", 3327},
                        {"7KA 1.10.txt", 10, "Digital Sensor", 110}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fileName);
    const std::string path = dir.File(c.fileName);
    test::WriteFile(path, content);
    const nlohmann::json j = ParseJson(RunCli({"image", "--firmware", path, "--json"}));
    EXPECT_EQ(j["deviceType"], c.deviceType);
    EXPECT_EQ(j["deviceTypeName"], c.deviceTypeName);
    EXPECT_EQ(j["version"], c.version);
    EXPECT_EQ(j["length"], 14);
    EXPECT_EQ(j["segments"], nlohmann::json::parse(R"([{"address":32768,"bytes":4}])"));
    EXPECT_EQ(j["vectors"][15], 0x8354);
    EXPECT_EQ(j["vectors"][0], 0xFFFF);
  }
}

TEST(ImageCommandTest, LoadedFileIsWhatTheDumpWrites) {
  test::TempDir dir;
  const std::string path = dir.File("RVAN 3.26.txt");
  test::WriteFile(path, "@8000\n0F 12 0E 12\n@FFFE\n54 83\nq\n");
  const std::string out = dir.File("dump.txt");
  EXPECT_EQ(RunCli({"image", "--firmware", path, "--dump", out}).status, 0);
  EXPECT_EQ(test::ReadFile(out),
            "@08000\n120F120E\n@FFE0\nFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF\n"
            "FFFFFFFFFFFFFFFFFFFFFFFFFFFF8354\n");
}

TEST(ImageCommandTest, FailuresPrintTheUsersMessageAndExitNonZero) {
  test::TempDir dir;
  test::WriteFile(dir.File("bad.txt"), "@8000\n0F 12\nq\n");
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    std::string err;
  };
  const Case cases[] = {
      {{"image", "--firmware", dir.File("bad.txt")},
       2,
       "The file \"bad.txt\" is not a valid firmware file.\n"
       "Please choose a new firmware file to open.\n"},
      {{"image", "--firmware", dir.File("missing.txt"), "--json"},
       2,
       "The OMB-3 Rain Gauge Firmware Updater could not opening \"missing.txt\".\n"
       "Please try again.\nError -2\n"},
      {{"image", "--dump", dir.File("no/folder/dump.txt")}, 3, "Error saving firmware image: -2\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments[2]);
    const test::CliRun r = RunCli(c.arguments);
    EXPECT_EQ(r.status, c.exitCode);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out, "");
  }
}

}  // namespace
}  // namespace vesk
