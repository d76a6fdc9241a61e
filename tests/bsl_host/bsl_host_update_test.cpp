// Whole updates through the real serial layer against the simulated device: the flash must end
// up holding exactly the image, whatever memory map, starting state or line fault the device has.
#include <gtest/gtest.h>

#include "bsl/ti_text.h"
#include "host_fixture.h"

namespace vesk::test {
namespace {

using UpdateTest = HostOnSimulator;

void ExpectUploadProgress(const RecordingProgress& progress, uint32_t imageLength) {
  const auto reports = progress.Of(kProgressUpload);
  ASSERT_GE(reports.size(), 2u);
  EXPECT_EQ(reports.front().done, 0u);
  uint32_t previous = 0;
  for (size_t i = 0; i + 1 < reports.size(); ++i) {
    EXPECT_EQ(reports[i].phase, kProgressWorking);
    EXPECT_EQ(reports[i].total, imageLength);
    EXPECT_EQ(reports[i].done % 512, 0u);
    EXPECT_TRUE(i == 0 || reports[i].done > previous);
    previous = reports[i].done;
  }
  EXPECT_GT(previous + 1024, imageLength);  // reports run to the end of the image
  EXPECT_EQ(reports.back().phase, kProgressDone);
  EXPECT_EQ(reports.back().done, imageLength);
}

TEST_F(UpdateTest, EmbeddedImageLandsInFlashOnSixteenAndTwentyBitDevices) {
  for (const int row : {static_cast<int>(kDigitalSensorDeviceType), 15}) {
    SCOPED_TRACE(row);
    StartDevice(DeviceOfRow(row));
    ASSERT_EQ(host->image.hostStatus, 0);
    EXPECT_EQ(Update(DescriptorOfRow(row)), 2);  // the "+\r" of the vectors
    EXPECT_EQ(FlashVersusImage(), std::vector<std::string>{});
    // After the vectors the device restarts into the new firmware.
    EXPECT_TRUE(WaitFor([this] {
      return Device([](sim::BootloaderDevice& d) {
        return d.mode() == sim::BootloaderMode::kApplication && d.restarts() == 1;
      });
    }));
    ExpectUploadProgress(progress, host->image.imageLength);
    const std::string text = LogText();
    EXPECT_NE(text.find("VeskBSL: BSLConnect connected to device running VeskBSL version 21\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("VeskBSL: BSLSendFirmware successful ("), std::string::npos);
    EXPECT_EQ(text.find("failed"), std::string::npos) << text;
    EXPECT_FALSE(host->connected);
    host.reset();
    server.reset();
    progress.calls.clear();
  }
}

TEST_F(UpdateTest, TwentyBitImageAboveSixteenBits) {
  // An image with segments on both sides of 0x10000, for a device with five-digit addresses.
  const std::string file = dir.File("BR4 2.10.txt");
  std::string tiText = "@2100\n0F 12 0E 12\n@10000\n";
  for (int i = 0; i < 300; ++i) {
    char byte[4];
    std::snprintf(byte, sizeof byte, "%02X ", i & 0xFF);
    tiText += byte;
  }
  tiText += "\n@1FE00\nAA 55\n@FFFE\n00 21\nq\n";
  WriteFile(file, tiText);

  StartDevice(DeviceOfRow(15));
  ASSERT_EQ(BSLLoadTIFile(host->image, file, &log), 1);
  EXPECT_GT(Update(DescriptorOfRow(15)), 0);
  EXPECT_EQ(FlashVersusImage(), std::vector<std::string>{});
  EXPECT_EQ(Device([](sim::BootloaderDevice& d) { return d.flash().Word(0x1012A); }), 0x2B2A);
}

TEST_F(UpdateTest, DeviceAlreadyInItsBootLoaderIsTakenOver) {
  struct Case {
    const char* name;
    int row;
    sim::BootloaderMode start;
  };
  const Case cases[] = {
      {"connected, 9600", kDigitalSensorDeviceType, sim::BootloaderMode::kConnected},
      {"waiting, 9600", kDigitalSensorDeviceType, sim::BootloaderMode::kWaiting},
      {"connected, 57600", 15, sim::BootloaderMode::kConnected},
      {"waiting, 57600", 15, sim::BootloaderMode::kWaiting},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto options = DeviceOfRow(c.row);
    options.start = c.start;
    StartDevice(options);
    EXPECT_GT(Update(DescriptorOfRow(c.row)), 0);
    EXPECT_EQ(FlashVersusImage(), std::vector<std::string>{});
    if (c.start == sim::BootloaderMode::kConnected && c.row == kDigitalSensorDeviceType) {
      // The boot loader answered "boot" with "?": no handshake was needed.
      EXPECT_NE(LogText().find("BSLInvocation found the VeskBSL already active"),
                std::string::npos);
      EXPECT_EQ(server->Received().find('P'), std::string::npos);
    }
    host.reset();
    server.reset();
  }
}

TEST_F(UpdateTest, RefusedBlockIsRepeatedAtItsAddress) {
  auto options = DeviceOfRow(kDigitalSensorDeviceType);
  options.refuseLetter = 'W';
  options.refuseOccurrence = 2;
  StartDevice(options);
  EXPECT_GT(Update(DescriptorOfRow(kDigitalSensorDeviceType)), 0);
  EXPECT_EQ(FlashVersusImage(), std::vector<std::string>{});

  const auto frames = FramesIn(server->Received());
  size_t w = 0;
  size_t second = 0;
  for (size_t i = 0; i < frames.size() && second == 0; ++i) {
    if (frames[i].letter == 'W' && ++w == 2) {
      second = i;
    }
  }
  ASSERT_GT(second, 0u);
  ASSERT_LT(second + 2, frames.size());
  // The second block starts 256 bytes into the segment at 0x8000.
  EXPECT_EQ(frames[second + 1].letter, '@');
  EXPECT_EQ(frames[second + 1].payload, "8100");
  EXPECT_EQ(frames[second + 2].letter, 'W');
  EXPECT_EQ(frames[second + 2].payload, frames[second].payload);
  EXPECT_EQ(Device([](sim::BootloaderDevice& d) { return d.refusedFrames(); }), 1u);
}

TEST_F(UpdateTest, NoiseOnTheLineIsRetriedAway) {
  sim::ServerOptions noisy;
  // About one damaged byte in 10 000: a few blocks need a second try. The faults fall on the same
  // bytes every run, because the host's traffic only depends on the device's answers.
  noisy.faults.corruptRate = 0.00005;
  noisy.faults.dropRate = 0.00005;
  noisy.faults.seed = 1;
  StartDevice(DeviceOfRow(kDigitalSensorDeviceType), noisy);
  EXPECT_GT(Update(DescriptorOfRow(kDigitalSensorDeviceType)), 0) << LogText();
  EXPECT_EQ(FlashVersusImage(), std::vector<std::string>{});
  EXPECT_GT(Device([](sim::BootloaderDevice& d) { return d.badFrames(); }), 0u);
}

TEST_F(UpdateTest, PulledCableEndsTheUploadWithNoAnswer) {
  sim::ServerOptions cable;
  cable.faults.silentAfterBytes = 3000;
  StartDevice(DeviceOfRow(kDigitalSensorDeviceType), cable);
  EXPECT_EQ(Update(DescriptorOfRow(kDigitalSensorDeviceType), 1), kBslNoAnswer);
  EXPECT_NE(LogText().find("VeskBSL: BSLSendFirmware failed with error -21 ("), std::string::npos);
  EXPECT_FALSE(host->connected);
}

TEST_F(UpdateTest, MissingAcknowledgementOfTheVectorsIsAccepted) {
  auto options = DeviceOfRow(kDigitalSensorDeviceType);
  options.acknowledgeVectors = false;
  StartDevice(options);
  EXPECT_EQ(Update(DescriptorOfRow(kDigitalSensorDeviceType)), 0);
  EXPECT_EQ(FlashVersusImage(), std::vector<std::string>{});
  const std::string text = LogText();
  const size_t noAck = text.find("VeskBSL: BSLSendVectors with digital sensor didn't hear ACK\r\n");
  const size_t success = text.find("VeskBSL: BSLSendVectors successful\r\n");
  EXPECT_NE(noAck, std::string::npos);
  EXPECT_NE(success, std::string::npos);
  EXPECT_LT(noAck, success);
}

}  // namespace
}  // namespace vesk::test
