// veskbsl-cli bsl-flash against the simulated device: what lands in flash, what the user reads,
// the JSON events, the exit status and the log.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "bsl/embedded_firmware.h"
#include "bsl/ti_text.h"
#include "host_fixture.h"
#include "support/cli_runner.h"

namespace vesk::test {
namespace {

class BslFlashCli : public testing::Test {
 protected:
  void StartDevice(sim::BootloaderOptions options, sim::ServerOptions serverOptions = {}) {
    options.restartTime = std::chrono::milliseconds(100);
    server = std::make_unique<sim::DeviceServer>(
        std::make_unique<sim::BootloaderDevice>(std::move(options)), std::move(serverOptions));
    server->Start();
  }

  std::vector<std::string> FlashDifferences(const FirmwareImage& image) {
    return server->WithModel<sim::BootloaderDevice>([&](sim::BootloaderDevice& d) {
      auto differences = sim::CompareWithImage(d.flash(), image.imageText, image.vectors);
      if (d.flash().dirtyBytes() != 0) {
        differences.push_back("written over unerased flash");
      }
      return differences;
    });
  }

  static std::vector<nlohmann::json> Events(const std::string& out) {
    std::vector<nlohmann::json> events;
    size_t begin = 0;
    while (begin < out.size()) {
      const size_t end = out.find('\n', begin);
      events.push_back(nlohmann::json::parse(out.substr(begin, end - begin)));
      begin = end == std::string::npos ? out.size() : end + 1;
    }
    return events;
  }

  TempDir dir;
  CliRunner cli{dir};
  std::unique_ptr<sim::DeviceServer> server;
};

TEST_F(BslFlashCli, EmbeddedImageWithJsonEvents) {
  StartDevice(sim::BootloaderOptionsForRow(kDigitalSensorDeviceType));
  const std::string logPath = dir.File("flash.log");
  const CliRun run =
      cli.Run({"bsl-flash", "--port", server->portPath(), "--json", "--log", logPath});
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_EQ(run.err, "");

  FirmwareImage image;
  ASSERT_EQ(LoadEmbeddedFirmware(image), 0);
  EXPECT_EQ(FlashDifferences(image), std::vector<std::string>{});

  const auto events = Events(run.out);
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events.front()["event"], "start");
  EXPECT_EQ(events.front()["image"], "OMB-3 3.26");
  EXPECT_EQ(events.front()["deviceType"], 10);
  EXPECT_EQ(events.front()["baud"], 9600);
  EXPECT_EQ(events.back()["event"], "done");
  EXPECT_EQ(events.back()["vectorsAcknowledged"], true);
  std::map<std::string, int> progress;
  bool connected = false;
  for (const auto& e : events) {
    if (e["event"] == "progress") {
      ++progress[e["step"].get<std::string>()];
      EXPECT_LE(e["done"].get<uint64_t>(), e["total"].get<uint64_t>());
    }
    connected = connected || (e["event"] == "connected" && e["bootLoaderVersion"] == 21);
  }
  EXPECT_TRUE(connected);
  EXPECT_GT(progress["erase-flash"], 1);
  EXPECT_GT(progress["upload"], 100);

  const std::string logText = ReadFile(logPath);
  EXPECT_NE(logText.find("VeskBSL: BSLConnect connected to device running VeskBSL version 21"),
            std::string::npos);
  EXPECT_NE(logText.find("veskbsl-cli: Successfully updated firmware in "), std::string::npos);
}

TEST_F(BslFlashCli, TwentyBitFileWithPlainOutput) {
  // The file name names the Brinel 4 (row 15): five-digit addresses at 57600 baud.
  const std::string file = dir.File("BR4 2.10.txt");
  WriteFile(file, "@2100\n31 40 00 31 B2 40 80 5A\n@10000\n01 02 03 04\n@FFFE\n00 21\nq\n");
  StartDevice(sim::BootloaderOptionsForRow(15));
  const CliRun run = cli.Run(
      {"bsl-flash", "--port", server->portPath(), "--firmware", file, "--log", dir.File("log")});
  ASSERT_EQ(run.status, 0) << run.out << run.err;

  FirmwareImage image;
  ASSERT_EQ(BSLLoadTIFile(image, file, nullptr), 1);
  EXPECT_EQ(FlashDifferences(image), std::vector<std::string>{});
  EXPECT_NE(run.out.find("Writing BR4 2.10 to the Brinel 4 on "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("57600 baud"), std::string::npos);
  EXPECT_NE(run.out.find("Connected to VeskBSL version 21\n"), std::string::npos);
  EXPECT_NE(run.out.find("Successfully updated firmware in "), std::string::npos);
  EXPECT_EQ(run.out.find('\r'), std::string::npos);  // no bar redraws into a file
}

TEST_F(BslFlashCli, FailuresSayWhatWentWrong) {
  struct Case {
    const char* name;
    std::function<void(sim::BootloaderOptions&, sim::ServerOptions&)> device;
    std::vector<std::string> extraArgs;
    bool missingPort;
    int status;
    std::string message;
  };
  const std::string badFile = dir.File("broken.txt");
  WriteFile(badFile, "not a firmware file\n");
  const Case cases[] = {
      {"no boot loader",
       [](auto& o, auto&) { o.hasBootLoader = false; },
       {},
       false,
       5,
       "does not have a working firmware loader"},
      {"no such port", [](auto&, auto&) {}, {}, true, 4, ": there is no such port."},
      {"broken file",
       [](auto&, auto&) {},
       {"--firmware", badFile},
       false,
       2,
       "The file \"broken.txt\" is not a valid firmware file."},
      {"wrong memory map",
       [](auto&, auto&) {},
       {"--device-type", "0"},
       false,
       7,
       "The device refused a command while erasing the flash memory (error -1)."},
      {"pulled cable",
       [](auto&, auto& s) { s.faults.silentAfterBytes = 200; },
       {},
       false,
       8,
       "The device stopped answering while erasing the flash memory (error -21)."},
  };
  const std::string dataHome = dir.File("data");
  cli.env = {"XDG_DATA_HOME=" + dataHome};
  const std::string defaultLog =
      dataHome + "/Norquil/VeskBSL/OMB-3 Rain Gauge Firmware Updater.errors.txt";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto options = sim::BootloaderOptionsForRow(kDigitalSensorDeviceType);
    sim::ServerOptions serverOptions;
    c.device(options, serverOptions);
    StartDevice(options, serverOptions);
    const std::string port = c.missingPort ? dir.File("no-such-port") : server->portPath();
    std::vector<std::string> args = {"bsl-flash", "--port", port};
    args.insert(args.end(), c.extraArgs.begin(), c.extraArgs.end());
    const CliRun run = cli.Run(args);
    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    // The desktop program's log in the data folder, with what the user was told.
    const std::string logText = ReadFile(defaultLog);
    EXPECT_NE(logText.find("ErrorOK Told User:: "), std::string::npos);
    EXPECT_NE(logText.find(c.message), std::string::npos);
    server.reset();
  }
}

TEST_F(BslFlashCli, CtrlCStopsBetweenBlocks) {
  auto options = sim::BootloaderOptionsForRow(kDigitalSensorDeviceType);
  StartDevice(options, sim::ServerOptions{});
  int outFd = -1;
  const pid_t pid = cli.Start(
      {"bsl-flash", "--port", server->portPath(), "--json", "--log", dir.File("log")}, &outFd);
  ASSERT_GT(pid, 0);
  std::string out;
  bool signalled = false;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(outFd, buffer, sizeof buffer);
    if (got <= 0) {
      break;
    }
    out.append(buffer, static_cast<size_t>(got));
    if (!signalled && out.find("\"step\":\"upload\",\"total\"") != std::string::npos) {
      ::kill(pid, SIGINT);
      signalled = true;
    }
  }
  ::close(outFd);
  const CliRun run = cli.Finish(pid);
  ASSERT_TRUE(signalled) << out;
  EXPECT_EQ(run.status, 9) << out << run.err;
  const auto events = Events(out);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back()["event"], "error");
  EXPECT_EQ(events.back()["code"], -40);
  EXPECT_EQ(events.back()["exit"], 9);
  EXPECT_EQ(events.back()["step"], "upload");
}

}  // namespace
}  // namespace vesk::test
