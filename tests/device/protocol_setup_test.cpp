// What QUORL_Protocol decides before it touches a port: options, connection kinds, and which
// settings a device record promises.
#include <gtest/gtest.h>

#include "device/answer_parsing.h"
#include "device/protocol_codes.h"
#include "device/protocol_device_type.h"
#include "device/quorl_protocol.h"
#include "device/settings_support.h"
#include "serial/posix_serial_backend.h"

namespace vesk {
namespace {

TEST(ConfigureProtocol, RefusesOutOfRangeValuesAndKeepsTheOldOptions) {
  PosixSerialBackend backend;
  QUORL_Protocol protocol(backend);
  ProtocolOptions options;
  options.serialRetries = 5;
  ASSERT_EQ(protocol.ConfigureProtocol(&options, true), proto::kOk);
  EXPECT_EQ(protocol.retries, 5u);

  struct Case {
    const char* what;
    void (*change)(ProtocolOptions&);
  };
  const Case refused[] = {
      {"serialRetries 13", [](ProtocolOptions& o) { o.serialRetries = 13; }},
      {"radioRetries 13", [](ProtocolOptions& o) { o.radioRetries = 13; }},
      {"echoMode 4", [](ProtocolOptions& o) { o.echoMode = 4; }},
      {"echoMode -1", [](ProtocolOptions& o) { o.echoMode = -1; }},
      {"extraWait 30001", [](ProtocolOptions& o) { o.extraWait = 30001; }},
  };
  for (const Case& c : refused) {
    ProtocolOptions bad;
    c.change(bad);
    EXPECT_EQ(protocol.ConfigureProtocol(&bad, true), proto::kOutOfRange) << c.what;
    ProtocolOptions now;
    protocol.ConfigureProtocol(&now, false);
    EXPECT_EQ(now.serialRetries, 5u) << c.what;
  }

  ProtocolOptions zeros;
  zeros.serialRetries = 0;
  zeros.radioRetries = 0;
  ASSERT_EQ(protocol.ConfigureProtocol(&zeros, true), proto::kOk);
  EXPECT_EQ(zeros.serialRetries, 3u) << "the default is written back to the caller";
  EXPECT_EQ(zeros.radioRetries, 5u);
  EXPECT_EQ(protocol.retries, 3u);
}

TEST(ConnectDevice, RefusesKindsAndIndexesWithoutOpeningThePort) {
  struct Case {
    uint8_t kind;
    int8_t baudIndex;
    int expected;
  };
  const Case cases[] = {
      {0, 2, proto::kOutOfRange},
      {20, 2, proto::kNotAvailable},
      {40, 2, proto::kNotAvailable},
      {120, 2, proto::kNotAvailable},
      {55, 2, proto::kMissingArgument},
      {connection_kind::kSerial, 9, proto::kOutOfRange},
      {connection_kind::kSerial, -1, proto::kOutOfRange},
  };
  for (const Case& c : cases) {
    PosixSerialBackend backend;
    QUORL_Protocol protocol(backend);
    ConnectionParams params;
    CopyTruncated(params.portName, "/dev/null-no-such-port");
    params.kind = c.kind;
    params.baudIndex = c.baudIndex;
    EXPECT_EQ(protocol.ConnectDevice(&params), c.expected)
        << int(c.kind) << "/" << int(c.baudIndex);
    EXPECT_FALSE(backend.IsOpen());
    EXPECT_EQ(protocol.connection.kind, connection_kind::kNone);
  }
  PosixSerialBackend backend;
  QUORL_Protocol protocol(backend);
  EXPECT_EQ(protocol.ConnectDevice(nullptr), proto::kMissingArgument);
  EXPECT_EQ(protocol.DisconnectDevice(false), proto::kNothingDone);
}

TEST(ConnectDevice, PassesThePortErrorOfAMissingPort) {
  PosixSerialBackend backend;
  QUORL_Protocol protocol(backend);
  ConnectionParams params;
  CopyTruncated(params.portName, "/dev/veskbsl-no-such-port");
  params.kind = connection_kind::kSerial;
  EXPECT_EQ(protocol.ConnectDevice(&params), -2);
  EXPECT_EQ(protocol.connection.kind, connection_kind::kNone);
}

DeviceInfo Identified(int8_t type, int32_t version, bool verKnown = true) {
  DeviceInfo info;
  info.typeCode = type;
  info.verKnown = verKnown ? 1 : 0;
  info.version = version;
  info.supportedMask = SupportedMaskFor(type, verKnown, version);
  return info;
}

TEST(SettingsSupportedBy, FollowsCapabilitiesAndTheTrait) {
  DeviceInfo rvan = Identified(device_type::kRvan, 202);
  const uint32_t radio = setting::kRadio;
  const uint32_t cellular = setting::kApn | setting::kApnUser | setting::kApnPassword |
                            setting::kAuthKey | setting::kHost | setting::kIpPort;
  EXPECT_EQ(SettingsSupportedBy(rvan) & radio, radio) << "radio counts while the trait is unknown";
  EXPECT_EQ(SettingsSupportedBy(rvan) & cellular, 0u);
  rvan.trait = TraitFromReported(246);
  EXPECT_EQ(SettingsSupportedBy(rvan), setting::kEverything);
  rvan.trait = kTraitKnown;  // nothing fitted
  EXPECT_EQ(SettingsSupportedBy(rvan) & (radio | cellular), 0u);

  DeviceInfo gx2 = Identified(device_type::kGx2, 110);
  gx2.trait = kTraitKnown | kTraitCellularFitted;
  EXPECT_EQ(SettingsSupportedBy(gx2) & cellular, 0u) << "only an Rvan carries a cellular modem";
  EXPECT_EQ(SettingsSupportedBy(gx2) & setting::kBuild, 0u);

  const DeviceInfo oldRva = Identified(device_type::kRva, 123, false);
  EXPECT_EQ(SettingsSupportedBy(oldRva) & (setting::kSerialNumber | setting::kPadc), 0u);
  EXPECT_NE(SettingsSupportedBy(oldRva) & setting::kWake, 0u);
}

}  // namespace
}  // namespace vesk
