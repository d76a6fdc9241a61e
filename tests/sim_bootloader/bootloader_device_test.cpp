// The simulated boot-loader device, driven byte by byte through a recording line.
#include "models/bootloader_device.h"

#include <gtest/gtest.h>

#include <optional>

#include "models/bootloader_frames.h"

namespace vesk::sim {
namespace {

class RecordingLine final : public DeviceLine {
 public:
  void Send(std::string_view bytes) override { sent.append(bytes); }
  void SendAfter(std::chrono::milliseconds, std::string_view bytes) override { sent.append(bytes); }
  void WakeAt(SimClock::time_point when) override { wake = when; }
  uint32_t HostBaud() const override { return 9600; }
  SimClock::time_point Now() const override { return now; }

  // What the device said since the last call.
  std::string Take() {
    std::string out;
    out.swap(sent);
    return out;
  }

  std::string sent;
  std::optional<SimClock::time_point> wake;
  SimClock::time_point now{};
};

std::string Frame(char letter, const std::string& payload) {
  std::string body = std::string(1, letter) + payload + ".";
  char sum[8];
  std::snprintf(sum, sizeof sum, "%04X", DeviceChecksum(body));
  return body + sum + "\r";
}

class BootloaderDeviceTest : public testing::Test {
 protected:
  void Make(BootloaderOptions options) {
    options.layout = LayoutFor(0x1000, 128, 0x1100, 0xF9FF, false);
    device.emplace(std::move(options));
  }
  std::string Say(std::string_view bytes) {
    device->OnReceive(bytes, line);
    return line.Take();
  }
  // Lets the time the device asked for pass.
  void PassTime() {
    ASSERT_TRUE(line.wake.has_value());
    line.now = *line.wake;
    line.wake.reset();
    device->OnTimer(line);
  }
  void Connect() {
    ASSERT_EQ(Say("boot OIEM\r"), "OK\r\n");
    PassTime();
    ASSERT_EQ(Say("\r"), "$");
    ASSERT_EQ(Say("P"), "#");
  }

  RecordingLine line;
  std::optional<BootloaderDevice> device;
};

TEST_F(BootloaderDeviceTest, ApplicationAnswersTheBootCommand) {
  struct Case {
    const char* name;
    bool hasBootLoader;
    bool refuseBoot;
    std::string command;
    std::string answer;
    BootloaderMode after;
  };
  const Case cases[] = {
      {"starts", true, false, "boot OIEM\r", "OK\r\n", BootloaderMode::kStartingBootLoader},
      {"missing", false, false, "boot OIEM\r", "VeskBSL MISSING\r\n>",
       BootloaderMode::kApplication},
      {"refused", true, true, "boot OIEM\r", "ERROR\r\n>", BootloaderMode::kApplication},
      {"wrong token", true, false, "boot MEIO\r", "ERROR\r\n>", BootloaderMode::kApplication},
      {"empty line", true, false, "\r", "\r\n>", BootloaderMode::kApplication},
  };
  for (const Case& c : cases) {
    BootloaderOptions options;
    options.hasBootLoader = c.hasBootLoader;
    options.refuseBoot = c.refuseBoot;
    Make(options);
    // The command may arrive in pieces.
    const size_t cut = c.command.size() / 2;
    EXPECT_EQ(Say(c.command.substr(0, cut)), "") << c.name;
    EXPECT_EQ(Say(c.command.substr(cut)), c.answer) << c.name;
    EXPECT_EQ(device->mode(), c.after) << c.name;
    EXPECT_EQ(device->DeviceBaud(), BootloaderDevice::kApplicationBaud) << c.name;
  }
}

TEST_F(BootloaderDeviceTest, BootLoaderStatesAndSpeed) {
  BootloaderOptions options;
  options.bootBaud = 57600;
  Make(options);
  ASSERT_EQ(Say("boot OIEM\r"), "OK\r\n");
  EXPECT_EQ(Say("\r"), "");  // still starting
  PassTime();
  EXPECT_EQ(device->mode(), BootloaderMode::kWaiting);
  EXPECT_EQ(device->DeviceBaud(), 57600u);
  EXPECT_EQ(Say("\r"), "$");
  EXPECT_EQ(Say("xyz"), "");
  EXPECT_EQ(Say("P"), "#");
  EXPECT_EQ(device->mode(), BootloaderMode::kConnected);
  EXPECT_EQ(Say("\r"), "?\r");
  EXPECT_EQ(Say("boot OIEM\r"), "?\r");
  EXPECT_EQ(device->strayLines(), 2u);
}

TEST_F(BootloaderDeviceTest, FramesAreCheckedBeforeTheyAct) {
  Make({});
  Connect();
  struct Case {
    const char* name;
    std::string line;
    std::string answer;
  };
  std::string badSum = Frame('X', "8000");
  badSum[badSum.size() - 2] ^= 1;
  const Case cases[] = {
      {"version", Frame('g', ""), "+21+\r"},
      {"bad checksum", badSum, "-\r"},
      {"five digits on a 16-bit device", Frame('@', "08000"), "-\r"},
      {"half a word", Frame('W', "120"), "-\r"},
      {"erase the boot loader", Frame('X', "FA00"), "-\r"},
      {"unknown letter", Frame('Q', "1"), "?\r"},
      {"address", Frame('@', "8000"), "+\r"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Say(c.line), c.answer) << c.name;
  }
  EXPECT_EQ(device->writeAddress(), 0x8000u);
  EXPECT_EQ(device->badFrames(), 3u);
  EXPECT_TRUE(device->flash().erasedSegments().empty());
}

TEST_F(BootloaderDeviceTest, EraseWriteAndRestart) {
  BootloaderOptions options;
  options.restartTime = std::chrono::milliseconds(1500);
  Make(options);
  Connect();
  EXPECT_EQ(Say(Frame('X', "8000")), "+\r");
  EXPECT_EQ(Say(Frame('@', "8000")), "+\r");
  EXPECT_EQ(Say(Frame('W', "120F120E")), "+\r");
  EXPECT_EQ(Say(Frame('W', "ABCD")), "+\r");  // continues after the first block
  EXPECT_EQ(device->flash().Word(0x8000), 0x120F);
  EXPECT_EQ(device->flash().Word(0x8004), 0xABCD);
  EXPECT_EQ(device->flash().dirtyBytes(), 0u);

  std::string vectors;
  for (int i = 0; i < 15; ++i) {
    vectors += "FFFF";
  }
  vectors += "8000";
  const auto before = line.now;
  EXPECT_EQ(Say(Frame('V', vectors)), "+\r");
  EXPECT_EQ(device->mode(), BootloaderMode::kRestarting);
  EXPECT_EQ(Say(Frame('g', "")), "");  // restarting devices do not listen
  ASSERT_TRUE(line.wake.has_value());
  EXPECT_EQ(*line.wake - before, std::chrono::milliseconds(1500));
  PassTime();
  EXPECT_EQ(device->mode(), BootloaderMode::kApplication);
  EXPECT_EQ(device->restarts(), 1u);
  EXPECT_EQ(device->flash().Word(kResetVectorAddress), 0x8000);
}

TEST_F(BootloaderDeviceTest, RestartWithoutResetVectorStaysInTheBootLoader) {
  BootloaderOptions options;
  options.acknowledgeVectors = false;
  Make(options);
  Connect();
  EXPECT_EQ(Say(Frame('V', std::string(64, 'F'))), "");  // no acknowledgement
  PassTime();
  EXPECT_EQ(device->mode(), BootloaderMode::kWaiting);
}

TEST_F(BootloaderDeviceTest, RefusesTheChosenFrameOnce) {
  BootloaderOptions options;
  options.refuseLetter = 'W';
  options.refuseOccurrence = 2;
  Make(options);
  Connect();
  Say(Frame('X', "8000"));
  Say(Frame('@', "8000"));
  EXPECT_EQ(Say(Frame('W', "1111")), "+\r");
  EXPECT_EQ(Say(Frame('W', "2222")), "-\r");
  EXPECT_EQ(device->writeAddress(), 0x8002u);  // the refused block wrote nothing
  EXPECT_EQ(Say(Frame('W', "2222")), "+\r");
  EXPECT_EQ(device->refusedFrames(), 1u);
  EXPECT_EQ(device->flash().Word(0x8002), 0x2222);
}

TEST_F(BootloaderDeviceTest, StartedInTheBootLoader) {
  BootloaderOptions options;
  options.start = BootloaderMode::kConnected;
  Make(options);
  EXPECT_EQ(Say("\r"), "?\r");
  EXPECT_EQ(Say(Frame('g', "")), "+21+\r");
  // The vectors were given up when the interrupted update began.
  EXPECT_EQ(device->flash().Word(kResetVectorAddress), 0xFFFF);

  options.start = BootloaderMode::kWaiting;
  Make(options);
  EXPECT_EQ(Say("boot OIEM\r"), "$");
}

}  // namespace
}  // namespace vesk::sim
