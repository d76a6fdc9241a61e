// Connecting, identifying and agreeing the baud rate with simulated devices.
#include "device/protocol_codes.h"
#include "device/protocol_device_type.h"
#include "protocol_fixture.h"

namespace vesk::test {
namespace {

class Identification : public ProtocolOnSim {};

struct KindCase {
  const char* preset;
  const char* version;  // what the device reports; "" keeps the preset's
  const char* word;     // "" keeps the preset's
  int8_t type;
  const char* typeName;
  int32_t number;
  uint32_t supported;
};

TEST_F(Identification, VersionAnswerNamesTheKindAndItsCapabilities) {
  const KindCase cases[] = {
      {"rvan", "", "", device_type::kRvan, "Rvan", 202, 0x5E7FFF7},
      {"rvan", "1.04", "rvan", device_type::kRvan, "Rvan", 104, 0x7737},
      {"gx2", "", "", device_type::kGx2, "gX2", 110, 0x5E3FFF7},
      {"pelmirat", "", "", device_type::kPelmirat, "Pelmirat", 135, 0x1D3083},
      {"calibrator", "", "", device_type::kCalibrator, "QUORL Calibrator", 100, 0x10026},
      {"qcd", "", "XYZ", device_type::kUnknown, "Unknown", 210, 0x1005},
  };
  for (const KindCase& c : cases) {
    SCOPED_TRACE(c.preset);
    ServePreset(c.preset, [&c](sim::CommandLineDeviceConfig& config) {
      if (*c.version)
        config.versionNumber = c.version;
      if (*c.word)
        config.versionWord = c.word;
    });
    ASSERT_EQ(Connect(), proto::kOk);
    EXPECT_EQ(protocol.info.typeCode, c.type);
    EXPECT_EQ(TextOf(protocol.info.typeName), c.typeName);
    EXPECT_EQ(protocol.info.version, c.number);
    EXPECT_EQ(protocol.info.verKnown, 1);
    EXPECT_EQ(protocol.info.supportedMask, c.supported);
    EXPECT_EQ(protocol.DisconnectDevice(false), proto::kOk);
  }
}

TEST_F(Identification, OldRvaIsFoundByItsRefusalAndReadWithShow) {
  ServePreset("rva-old");
  ASSERT_EQ(Connect(), proto::kOk);
  EXPECT_EQ(protocol.info.typeCode, device_type::kRva);
  EXPECT_EQ(protocol.info.verKnown, 0);
  EXPECT_EQ(protocol.info.supportedMask, 0x331Cu);
  EXPECT_TRUE(TextOf(protocol.info.name).empty()) << "the login skips the show parse";
  EXPECT_TRUE(Logged("VerCommand found Rva with old firmware"));

  ASSERT_EQ(protocol.VerCommand(false), proto::kOk);
  EXPECT_EQ(TextOf(protocol.info.name), "OLDRVA");
  EXPECT_EQ(TextOf(protocol.info.versionText), "1.23");
  EXPECT_EQ(protocol.info.version, 123);
  EXPECT_EQ(protocol.info.wake, 900);
  EXPECT_EQ(protocol.info.rmode, 1);
  EXPECT_EQ(protocol.resets, 3);
  EXPECT_TRUE(Logged("ParseShowCommand found OLDRVA:1.23:1:900:3"));
}

TEST_F(Identification, ShowParseOnNewFirmwareIsRefused) {
  ServePreset("rvan");
  ASSERT_EQ(Connect(), proto::kOk);
  EXPECT_EQ(protocol.ParseShowCommand(nullptr), proto::kOutOfRange);
  EXPECT_EQ(Count(Lines(), "show"), 0);
}

struct FailureCase {
  const char* what;
  sim::BootLoaderState bootLoader;
  bool echo;
  bool silent;
  int result;
};

TEST_F(Identification, WhatAnswersInsteadOfACommandLine) {
  const FailureCase cases[] = {
      {"boot loader waiting", sim::BootLoaderState::kWaiting, false, false,
       proto::kBootLoaderWaiting},
      {"boot loader connected", sim::BootLoaderState::kActive, false, false,
       proto::kBootLoaderActive},
      {"echoing line", sim::BootLoaderState::kNone, true, false, proto::kEchoed},
      {"nothing", sim::BootLoaderState::kNone, false, true, proto::kNobodyListening},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.what);
    ServePreset("rvan", [&c](sim::CommandLineDeviceConfig& config) {
      config.bootLoader = c.bootLoader;
      config.echoCommands = c.echo;
      if (c.silent) {
        config.silentAfterCommands = 0;
      }
    });
    EXPECT_EQ(Connect(), c.result);
    EXPECT_EQ(protocol.info.verKnown, 0);
    EXPECT_TRUE(TextOf(protocol.info.versionText).empty());
    EXPECT_FALSE(backend.IsOpen()) << "a failed connection closes the port";
    EXPECT_EQ(protocol.connection.kind, connection_kind::kNone);
  }
}

TEST_F(Identification, VersionAnswersThatIdentifyNothingFailTheLogin) {
  struct Case {
    const char* what;
    sim::CommandFault fault;  // on "get -ver"
    int result;
  };
  const Case cases[] = {
      {"a line that never ends", {"get -ver", "\rRVAN 2.02", -1}, proto::kBadAnswer},
      {"a stray plus", {"get -ver", "\r+\r>", -1}, proto::kBadAnswer},
      {"one character before the prompt", {"get -ver", "X>", -1}, proto::kEchoed},
      {"a type word without a version", {"get -ver", "\rRVAN\r>", -1}, proto::kBadAnswer},
      {"an unreadable version", {"get -ver", "\rRVAN x.y\r>", -1}, proto::kBadAnswer},
      {"only the prompt", {"get -ver", ">", -1}, proto::kBadAnswer},
      // A first refusal is no proof of old firmware yet.
      {"refused once, then answered", {"get -ver", "\rERROR\r>", 1}, proto::kOk},
  };
  options.serialRetries = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ServePreset("rvan", [&c](sim::CommandLineDeviceConfig& config) { config.faults = {c.fault}; });
    EXPECT_EQ(Connect(), c.result);
    if (c.result > 0) {
      EXPECT_EQ(protocol.info.typeCode, device_type::kRvan);
      EXPECT_EQ(protocol.info.verKnown, 1);
      EXPECT_EQ(protocol.DisconnectDevice(false), proto::kOk);
    } else {
      EXPECT_EQ(protocol.info.typeCode, 0);
      EXPECT_EQ(protocol.info.verKnown, 0);
      EXPECT_FALSE(backend.IsOpen());
    }
  }
}

TEST_F(Identification, BaudChangeMovesBothEndsAndDisconnectBringsThemBack) {
  ServePreset("rvan");
  ASSERT_EQ(Connect(6), proto::kOk);
  EXPECT_EQ(params.baudIndex, 6);
  EXPECT_EQ(protocol.baudRate, 115200u);
  EXPECT_TRUE(Eventually([this] {
    return server->WithModel<sim::CommandLineDeviceModel>(
               [](sim::CommandLineDeviceModel& m) { return m.DeviceBaud(); }) == 115200u;
  }));
  EXPECT_EQ(Count(Lines(), "set -baud 4"), 1);
  EXPECT_TRUE(Logged("SetBaudCommand set device baud rate to 115200"));
  // Both ends understand each other at the new speed.
  EXPECT_EQ(protocol.NameCommand(&protocol.info.name, kModeGet), proto::kOk);
  EXPECT_EQ(TextOf(protocol.info.name), "LAKE01");

  EXPECT_EQ(protocol.DisconnectDevice(false), proto::kOk);
  EXPECT_EQ(Count(Lines(), "set -baud 0"), 1);
  EXPECT_TRUE(Eventually([this] {
    return server->WithModel<sim::CommandLineDeviceModel>(
               [](sim::CommandLineDeviceModel& m) { return m.DeviceBaud(); }) == 9600u;
  }));
}

TEST_F(Identification, DeviceThatCannotChangeBaudStaysAt9600) {
  ServePreset("calibrator");  // no baud-change capability
  ASSERT_EQ(Connect(6), proto::kOk);
  EXPECT_EQ(params.baudIndex, 2);
  EXPECT_EQ(protocol.baudRate, 9600u);
  EXPECT_EQ(Count(Lines(), "set -baud 4"), 0);
}

TEST_F(Identification, RateWithoutADeviceCodeKeeps9600) {
  ServePreset("rvan");
  ASSERT_EQ(Connect(1), proto::kOk);  // 1200 baud
  EXPECT_EQ(params.baudIndex, 2);
  EXPECT_EQ(protocol.baudRate, 9600u);
  EXPECT_EQ(Count(Lines(), "set -baud 0"), 0);
}

TEST_F(Identification, SetBaudWithAnUnsupportedRateAsksFor9600) {
  ServePreset("rvan");
  ASSERT_EQ(Connect(), proto::kOk);
  EXPECT_EQ(protocol.SetBaudCommand(1200), proto::kOk);
  EXPECT_TRUE(Logged("SetBaudCommand: unsupported baud rate 1200, using 9600"));
  EXPECT_EQ(Count(Lines(), "set -baud 0"), 1);
}

TEST_F(Identification, KeptPortIsReusedByTheNextConnection) {
  ServePreset("rvan");
  options.keepPortOpen = 1;
  ASSERT_EQ(Connect(6), proto::kOk);
  ASSERT_EQ(protocol.DisconnectDevice(false), proto::kOk);
  EXPECT_TRUE(backend.IsOpen());
  EXPECT_EQ(protocol.baudRate, 9600u);
  EXPECT_EQ(protocol.info.version, 0) << "the device record is cleared";

  ASSERT_EQ(Connect(), proto::kOk);
  EXPECT_EQ(backend.opens, 1);
  EXPECT_EQ(protocol.info.typeCode, device_type::kRvan);
}

}  // namespace
}  // namespace vesk::test
