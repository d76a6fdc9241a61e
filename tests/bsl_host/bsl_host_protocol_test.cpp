// Single boot-loader operations: their arguments, the addresses they send, progress and stopping,
// the ways a connection fails, and a port handed over by another object.
#include <gtest/gtest.h>

#include "host_fixture.h"

namespace vesk::test {
namespace {

using ProtocolTest = HostOnSimulator;

// Payloads of the frames of `letter` the device received.
std::vector<std::string> Payloads(const std::string& received, char letter) {
  std::vector<std::string> out;
  for (const SentFrame& f : FramesIn(received)) {
    if (f.letter == letter) {
      out.push_back(f.payload);
    }
  }
  return out;
}

std::string Hex(uint32_t value, bool five) {
  char text[8];
  std::snprintf(text, sizeof text, five ? "%05X" : "%04X", value);
  return text;
}

TEST(HostArguments, RefusedBeforeAnythingIsSent) {
  TempDir dir;
  VeskLog log(dir.File("log.txt").c_str(), kLogDetail, false);
  PosixSerialBackend backend;
  VeskBSLHost host(backend, &log);
  BslAnswer answer;
  uint32_t ms = 0;
  const std::vector<uint32_t> words128(128, 0x1234);
  const uint32_t tooLarge = 0x10000;
  char buffer[kReadBufferSize];

  EXPECT_EQ(BSLCommand(host, 'W', nullptr, 4, '\r', &answer, ms), kBslMissingArgument);
  EXPECT_EQ(BSLCommand(host, '@', "8000", 4, '\r', nullptr, ms), kBslMissingArgument);
  EXPECT_EQ(BSLCommand(host, 'W', std::string(513, '0').c_str(), 513, '\r', &answer, ms),
            kBslOutOfRange);
  EXPECT_EQ(BSLCommand(host, 'g', nullptr, 0, '\r', &answer, ms), kBslNoAnswer);  // not connected
  EXPECT_EQ(BSLCommandHex(host, 'V', words128.data(), 129, '+', &answer, ms, false),
            kBslOutOfRange);
  // 128 five-digit numbers would overrun the frame buffer.
  EXPECT_EQ(BSLCommandHex(host, 'X', words128.data(), 128, '\r', &answer, ms, true),
            kBslOutOfRange);
  EXPECT_EQ(BSLCommandHex(host, 'X', &tooLarge, 1, '\r', &answer, ms, false), kBslOutOfRange);
  EXPECT_EQ(BSLCommandHex(host, 'V', words128.data(), 16, '+', &answer, ms, false), kBslNoAnswer);
  EXPECT_EQ(BSLConnect(host, nullptr, 9600, false, 3), kBslMissingArgument);
  EXPECT_EQ(BSLEraseFlash(host, 0xFA00, 0xFFFF, false), kBslOutOfRange);
  EXPECT_EQ(BSLEraseFlash(host, 0xFFFF, 0x10400, true), kBslOutOfRange);
  // A segment size that does not move on would erase the same segment again and again.
  EXPECT_EQ(BSLEraseINFO(host, 0x1000, 2, 0, false), kBslOutOfRange);
  EXPECT_EQ(BSLEraseINFO(host, 0x1000, 2, -128, false), kBslOutOfRange);

  host.image.imageText.clear();
  EXPECT_EQ(BSLSendFirmware(host, false), kBslMissingArgument);
  host.image.imageText = "08000120F";
  EXPECT_EQ(BSLSendFirmware(host, false), kBslOutOfRange);
  // A segment above 0xFFFF cannot be addressed with four digits; cutting its address would
  // write it over other memory.
  host.image.imageText = "@10000120F";
  EXPECT_EQ(BSLSendFirmware(host, false), kBslOutOfRange);

  EXPECT_EQ(BSLHandOff(host, &backend, nullptr, "COM3", true, 0), kBslOutOfRange);
  EXPECT_EQ(BSLHandOff(host, &backend, buffer, nullptr, true, 0), kBslOutOfRange);
  EXPECT_NE(ReadFile(log.path()).find("VeskBSL: BSLHandOff called with some NULL parameters\r\n"),
            std::string::npos);
  EXPECT_FALSE(host.connected);
}

TEST_F(ProtocolTest, EraseAddressSequences) {
  struct Case {
    const char* name;
    int row;
    int32_t start;
    int32_t end;
    // The addresses, as ranges stepped by 512.
    std::vector<std::pair<uint32_t, uint32_t>> ranges;
  };
  const Case cases[] = {
      // 0xF900 is the last: the next, 0xFB00, would jump to 0x10000, past the end.
      {"16-bit", 0, 0x1100, 0xF9FF, {{0x1100, 0xF900}}},
      // 20-bit: from 0xF900 straight on to 0x10000, over the boot loader and the vectors.
      {"20-bit", 15, 0x2100, 0x1FF00, {{0x2100, 0xF900}, {0x10000, 0x1FE00}}},
      {"nothing to erase", 0, 0x8000, 0x8000, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const DeviceDescriptor d = DescriptorOfRow(c.row);
    StartDevice(DeviceOfRow(c.row));
    ASSERT_GT(
        BSLConnect(*host, server->portPath().c_str(), static_cast<uint32_t>(d.bootBaud), true, 3),
        0);
    EXPECT_EQ(BSLEraseFlash(*host, c.start, c.end, d.extendedAddresses), 1);
    std::vector<std::string> expected;
    for (const auto& [from, to] : c.ranges) {
      for (uint32_t a = from; a <= to; a += 512) {
        expected.push_back(Hex(a, d.extendedAddresses));
      }
    }
    EXPECT_EQ(Payloads(server->Received(), 'X'), expected);
    const uint32_t total = (c.end - c.start) / 512;
    const auto reports = progress.Of(kProgressErase);
    ASSERT_FALSE(reports.empty());
    // A report before every tenth segment, and a last one.
    EXPECT_EQ(reports.size(), (expected.size() + 9) / 10 + 1);
    EXPECT_EQ(reports.front().done, 0u);
    EXPECT_EQ(reports.back().phase, kProgressDone);
    EXPECT_EQ(reports.back().done, total);
    EXPECT_EQ(reports.back().total, total);
    BSLDisconnect(*host);
    host.reset();
    server.reset();
    progress.calls.clear();
  }
}

TEST_F(ProtocolTest, InfoSegmentsAreErasedStepBySize) {
  StartDevice(DeviceOfRow(15));
  ASSERT_GT(BSLConnect(*host, server->portPath().c_str(), 57600, false, 3), 0);
  EXPECT_EQ(BSLEraseINFO(*host, 0x1000, 3, 64, true), 1);
  EXPECT_EQ(BSLEraseINFO(*host, 0x1000, 0, 64, true), 1);  // nothing to do
  EXPECT_EQ(Payloads(server->Received(), 'X'),
            (std::vector<std::string>{"01000", "01040", "01080"}));
  // Three segments are blank; the fourth, with the factory calibration, keeps its bytes.
  Device([](sim::BootloaderDevice& d) {
    EXPECT_EQ(d.flash().Byte(0x1000), 0xFF);
    EXPECT_EQ(d.flash().Byte(0x10BF), 0xFF);
    EXPECT_NE(d.flash().Byte(0x10C0), 0xFF);
    return 0;
  });
  EXPECT_NE(LogText().find("VeskBSL: BSLEraseINFO successful: 3 segments @ 1000 ("),
            std::string::npos);
}

TEST_F(ProtocolTest, SegmentIsSentInBlocksOf256Bytes) {
  StartDevice(DeviceOfRow(kDigitalSensorDeviceType));
  std::string data;
  for (int i = 0; i < 1200; ++i) {
    data += "0123456789ABCDEF"[(i * 7) % 16];
  }
  host->image.imageText = "@08000" + data;
  host->image.imageLength = static_cast<uint32_t>(host->image.imageText.size());
  ASSERT_GT(BSLConnect(*host, server->portPath().c_str(), 9600, false, 3), 0);
  ASSERT_EQ(BSLEraseFlash(*host, 0x8000, 0x8400, false), 1);
  EXPECT_GT(BSLSendFirmware(*host, false), 0);

  std::vector<std::string> after;
  for (const SentFrame& f : FramesIn(server->Received())) {
    if (f.letter == '@' || f.letter == 'W') {
      after.push_back(std::string(1, f.letter) +
                      (f.letter == '@' ? f.payload : std::to_string(f.payload.size())));
    }
  }
  EXPECT_EQ(after, (std::vector<std::string>{"@8000", "W512", "W512", "W176"}));
  std::array<uint32_t, 16> blankVectors{};
  blankVectors.fill(0xFFFF);  // not sent here
  EXPECT_EQ(Device([&](sim::BootloaderDevice& d) {
              return sim::CompareWithImage(d.flash(), host->image.imageText, blankVectors);
            }),
            std::vector<std::string>{});
}

TEST_F(ProtocolTest, ProgressCallbackStopsTheWork) {
  struct Case {
    const char* name;
    char kind;
    int stopAt;
    size_t erased;  // main-flash segments erased before the stop
  };
  const Case cases[] = {
      {"erase, first report", kProgressErase, 1, 0},
      {"erase, second report", kProgressErase, 2, 10},
      {"upload, third report", kProgressUpload, 3, 61},
  };
  const DeviceDescriptor d = DescriptorOfRow(kDigitalSensorDeviceType);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    progress.stopKind = c.kind;
    progress.stopAt = c.stopAt;
    progress.seen = 0;
    StartDevice(DeviceOfRow(kDigitalSensorDeviceType));
    ASSERT_GT(BSLConnect(*host, server->portPath().c_str(), 9600, true, 3), 0);
    int32_t r = BSLEraseFlash(*host, d.flashStart, d.flashEnd, false);
    if (c.kind == kProgressUpload) {
      ASSERT_EQ(r, 1);
      r = BSLSendFirmware(*host, false);
      EXPECT_NE(LogText().find("VeskBSL: BSLSendFirmware failed with error -40 ("),
                std::string::npos);
      // Stopped at character 1024: the first block went out, nothing after it.
      EXPECT_EQ(Payloads(server->Received(), 'W').size(), 1u);
    } else {
      EXPECT_NE(LogText().find("VeskBSL: BSLEraseFlash failed with error -40 ("),
                std::string::npos);
    }
    EXPECT_EQ(r, kBslCancelled);
    EXPECT_EQ(Payloads(server->Received(), 'X').size(), c.erased);
    // No report says "done" after a stop.
    EXPECT_EQ(progress.calls.back().phase, kProgressWorking);
    BSLDisconnect(*host);
    host.reset();
    server.reset();
    progress.calls.clear();
  }
}

TEST_F(ProtocolTest, ConnectionFailures) {
  struct Case {
    const char* name;
    bool hasBootLoader;
    bool refuseBoot;
    int32_t result;
  };
  const Case cases[] = {
      {"no boot loader", false, false, kBslMissing},
      {"firmware refuses", true, true, kBslUnreachable},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto options = DeviceOfRow(kDigitalSensorDeviceType);
    options.hasBootLoader = c.hasBootLoader;
    options.refuseBoot = c.refuseBoot;
    StartDevice(options);
    EXPECT_EQ(BSLConnect(*host, server->portPath().c_str(), 9600, true, 3), c.result);
    EXPECT_FALSE(host->connected);
    EXPECT_FALSE(DSIsOpen(*host));
    const std::string text = LogText();
    EXPECT_NE(text.find("VeskBSL: BSLInvocation failed with error " + std::to_string(c.result)),
              std::string::npos);
    EXPECT_NE(text.find("VeskBSL: BSLCheck didn't get a response from the VeskBSL\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("VeskBSL: BSLConnect failed to connect to device (error " +
                        std::to_string(c.result) + ")\r\n"),
              std::string::npos);
    EXPECT_TRUE(
        Device([](sim::BootloaderDevice& d) { return d.flash().erasedSegments().empty(); }));
    host.reset();
    server.reset();
  }
}

TEST_F(ProtocolTest, NoSuchPort) {
  StartDevice(DeviceOfRow(kDigitalSensorDeviceType));
  const std::string missing = dir.File("no-such-port");
  EXPECT_EQ(BSLConnect(*host, missing.c_str(), 9600, false, 3), -2);
  EXPECT_NE(LogText().find("VeskBSL: BSLConnect received error while opening serial port (-2)"),
            std::string::npos);
  EXPECT_FALSE(host->connected);
}

TEST_F(ProtocolTest, HandedOffPortIsDrivenAndGivenBack) {
  auto options = DeviceOfRow(kDigitalSensorDeviceType);
  options.start = sim::BootloaderMode::kWaiting;
  StartDevice(options);
  // The port belongs to another object, as the device link's port does in an update.
  PosixSerialBackend linkBackend;
  VeskSerial link(linkBackend, &log);
  ASSERT_EQ(DSOpen(link, server->portPath(), 9600), 1);

  ASSERT_EQ(BSLHandOff(*host, link.backend, link.gReadBuffer, link.portName.c_str(), true, 0), 1);
  EXPECT_EQ(host->bslRetries, 3u);
  EXPECT_EQ(BSLCheck(*host, server->portPath().c_str(), 9600), kBslWaiting);
  EXPECT_EQ(BSLAttach(*host), 1);
  EXPECT_NE(LogText().find("VeskBSL: BSLAttach successful (1 tries)\r\n"), std::string::npos);
  BslAnswer answer;
  uint32_t ms = 0;
  EXPECT_GT(BSLCommand(*host, 'g', "", 0, '\r', &answer, ms), 0);
  EXPECT_EQ(answer.view(), "+21+\r");
  EXPECT_EQ(BSLAttach(*host), 1);  // a connected boot loader answers "?": already attached

  EXPECT_EQ(BSLReleasePort(*host), 1);
  EXPECT_FALSE(host->connected);
  EXPECT_TRUE(DSIsOpen(link));

  // Neither a disconnect nor the host's end may close the other object's port.
  ASSERT_EQ(BSLHandOff(*host, link.backend, link.gReadBuffer, link.portName.c_str(), true, 2), 1);
  EXPECT_EQ(BSLDisconnect(*host), 0);
  EXPECT_TRUE(DSIsOpen(link));
  ASSERT_EQ(BSLHandOff(*host, link.backend, link.gReadBuffer, link.portName.c_str(), true, 2), 1);
  host.reset();
  EXPECT_TRUE(DSIsOpen(link));
  size_t written = 0;
  EXPECT_EQ(DSWrite(link, "\r", 1, written), 1);
}

}  // namespace
}  // namespace vesk::test
