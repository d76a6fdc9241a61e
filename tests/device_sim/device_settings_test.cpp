// DeviceSettings: whole downloads and uploads against simulated loggers, and how it rides out
// failures.
#include <bit>
#include <map>
#include <string>
#include <vector>

#include "device/protocol_codes.h"
#include "device/protocol_device_type.h"
#include "device/settings_support.h"
#include "protocol_fixture.h"
#include "store_text.h"

namespace vesk::test {
namespace {

class DeviceSettingsOnSim : public ProtocolOnSim {
 protected:
  // Everything the connected device holds: its trait first, then what the trait allows.
  int DownloadAll(DeviceInfo* record, uint32_t* done) {
    uint32_t first = setting::kTrait;
    const int rc = protocol.DeviceSettings(record, &first, kModeGet);
    if (rc < 0) {
      return rc;
    }
    *done = SettingsSupportedBy(*record);
    return protocol.DeviceSettings(record, done, kModeGet);
  }
};

TEST_F(DeviceSettingsOnSim, FullDownloadReturnsExactlyTheStore) {
  for (const char* preset : {"rvan", "gx2", "ovt9", "pelmirat"}) {
    SCOPED_TRACE(preset);
    ServePreset(preset);
    ASSERT_EQ(Connect(), proto::kOk);
    DeviceInfo record;
    uint32_t done = 0;
    ASSERT_EQ(DownloadAll(&record, &done), proto::kOk);
    const std::map<std::string, std::string> store = Store();

    uint32_t storeBits = setting::kIdentity;
    for (const auto& [key, value] : store) {
      EXPECT_EQ(StoreTextOf(record, key), value) << key;
      storeBits |= BitOfKey(key);
    }
    if (record.typeCode == device_type::kGx2) {
      storeBits |= setting::kRmode;  // fixed, never asked
      EXPECT_EQ(record.rmode, 16);
    }
    EXPECT_EQ(done & ~setting::kTrait, storeBits & ~setting::kTrait);
    EXPECT_EQ(record.validMask & done, done);
    protocol.DisconnectDevice(false);
  }
}

TEST_F(DeviceSettingsOnSim, UploadIntoABlankDeviceReproducesTheStore) {
  for (const char* preset : {"rvan", "gx2"}) {
    SCOPED_TRACE(preset);
    ServePreset(preset);
    ASSERT_EQ(Connect(), proto::kOk);
    DeviceInfo record;
    uint32_t done = 0;
    ASSERT_EQ(DownloadAll(&record, &done), proto::kOk);
    const std::map<std::string, std::string> original = Store();
    protocol.DisconnectDevice(false);

    ServePreset(preset,
                [](sim::CommandLineDeviceConfig& config) { config = sim::BlankOf(config); });
    ASSERT_EQ(Connect(), proto::kOk);
    ASSERT_NE(Store(), original);
    uint32_t mask = done;
    EXPECT_EQ(protocol.DeviceSettings(&record, &mask, kModeSet), proto::kOk);
    EXPECT_EQ(Store(), original);
    // Identity and the radio's version are the device's own: nothing to write.
    EXPECT_EQ(mask, done & ~(setting::kIdentity | setting::kRver));
    protocol.DisconnectDevice(false);
  }
}

TEST_F(DeviceSettingsOnSim, DeviceThatFallsSilentIsLoggedIntoAgainAndAskedAgain) {
  // The connection's version question is line 1; the download's fifth line goes unanswered for
  // all three attempts.
  ServePreset("rvan", [](sim::CommandLineDeviceConfig& config) {
    config.silentAfterCommands = 5;
    config.silentForCommands = 3;
  });
  ASSERT_EQ(Connect(), proto::kOk);
  DeviceInfo record;
  uint32_t done = 0;
  ASSERT_EQ(DownloadAll(&record, &done), proto::kOk);
  EXPECT_EQ(done, setting::kEverything);
  EXPECT_TRUE(Logged("******: DeviceSettings re-connected to device"));

  const std::vector<std::string> lines = Lines();
  ASSERT_GT(lines.size(), 9u);
  const std::string interrupted = lines[5];
  EXPECT_EQ(
      std::vector<std::string>(lines.begin() + 5, lines.begin() + 10),
      (std::vector<std::string>{interrupted, interrupted, interrupted, "get -ver", interrupted}));
  for (const auto& [key, value] : Store()) {
    EXPECT_EQ(StoreTextOf(record, key), value) << key;
  }
}

TEST_F(DeviceSettingsOnSim, DeviceThatStaysSilentEndsTheDownload) {
  ServePreset("rvan", [](sim::CommandLineDeviceConfig& config) {
    config.silentAfterCommands = 3;  // answers the connection and two settings
  });
  ASSERT_EQ(Connect(), proto::kOk);
  DeviceInfo record;
  uint32_t mask = setting::kName | setting::kDeviceId | setting::kReport | setting::kDepth;
  EXPECT_EQ(protocol.DeviceSettings(&record, &mask, kModeGet), proto::kNoAnswer);
  EXPECT_EQ(mask, setting::kIdentity | setting::kName | setting::kDeviceId);
  EXPECT_EQ(TextOf(record.name), "LAKE01") << "what was read still reaches the caller";
  EXPECT_EQ(Count(Lines(), "get -depth"), 0);
}

TEST_F(DeviceSettingsOnSim, EmptyRequestStillIdentifiesTheDevice) {
  ServePreset("rvan");
  ASSERT_EQ(Connect(), proto::kOk);
  protocol.info = DeviceInfo{};
  DeviceInfo record;
  uint32_t mask = 0;
  EXPECT_EQ(protocol.DeviceSettings(&record, &mask, kModeGet), proto::kOk);
  EXPECT_EQ(mask, setting::kIdentity);
  EXPECT_EQ(record.typeCode, device_type::kRvan);
  EXPECT_EQ(record.version, 202);
  EXPECT_EQ(Count(Lines(), "get -ver"), 2);
}

TEST_F(DeviceSettingsOnSim, RadioSettingsNeedATraitThatSaysARadioIsFitted) {
  ServePreset("gx2",
              [](sim::CommandLineDeviceConfig& config) { config.settings["trait"] = "255"; });
  ASSERT_EQ(Connect(), proto::kOk);
  DeviceInfo record;
  uint32_t mask = setting::kRadio;
  EXPECT_EQ(protocol.DeviceSettings(&record, &mask, kModeGet), proto::kPartlyFailed);
  EXPECT_EQ(mask, setting::kIdentity | setting::kTrait);
  EXPECT_EQ(Count(Lines(), "get -trait"), 1);
  EXPECT_EQ(Count(Lines(), "get -rch"), 0);
}

TEST_F(DeviceSettingsOnSim, OldRvaIsServedByOneShow) {
  ServePreset("rva-old");
  ASSERT_EQ(Connect(), proto::kOk);
  DeviceInfo record;
  uint32_t mask = setting::kName | setting::kWake | setting::kRmode | setting::kSerialNumber;
  EXPECT_EQ(protocol.DeviceSettings(&record, &mask, kModeGet), proto::kOk);
  EXPECT_EQ(mask, setting::kIdentity | setting::kName | setting::kWake | setting::kRmode);
  EXPECT_EQ(Count(Lines(), "show"), 1);
  EXPECT_EQ(Count(Lines(), "get -sn"), 0);
  EXPECT_EQ(TextOf(record.name), "OLDRVA");
  EXPECT_EQ(record.wake, 900);
}

TEST_F(DeviceSettingsOnSim, OldRvaBelow110IsNotSupported) {
  ServePreset("rva-old",
              [](sim::CommandLineDeviceConfig& config) { config.versionNumber = "1.05"; });
  ASSERT_EQ(Connect(), proto::kOk);
  DeviceInfo record;
  uint32_t mask = setting::kName | setting::kWake;
  EXPECT_EQ(protocol.DeviceSettings(&record, &mask, kModeGet), proto::kNotAvailable);
  EXPECT_TRUE(Logged("DeviceSettings: old Vaultline model 007 not supported"));
  EXPECT_EQ(Count(Lines(), "get -w"), 0);
}

TEST_F(DeviceSettingsOnSim, EmptyNameAnswerStopsTheDownload) {
  ServePreset("rvan", [](sim::CommandLineDeviceConfig& config) {
    config.faults = {{"get -i", "\r\r>", -1}};
  });
  ASSERT_EQ(Connect(), proto::kOk);
  DeviceInfo record;
  uint32_t mask = setting::kName | setting::kDeviceId | setting::kWake;
  EXPECT_EQ(protocol.DeviceSettings(&record, &mask, kModeGet), proto::kEmptyName);
  EXPECT_EQ(Count(Lines(), "get -devid"), 0);
  EXPECT_FALSE(Logged("NameCommand failed"));
}

TEST_F(DeviceSettingsOnSim, FailedItemsAreSkippedAndReported) {
  ServePreset("rvan", [](sim::CommandLineDeviceConfig& config) {
    config.faults = {{"get -site", "\rERROR\r>", -1}};
  });
  ASSERT_EQ(Connect(), proto::kOk);
  protocol.info.validMask |= setting::kSite;  // known from an earlier download
  DeviceInfo record;
  uint32_t mask = setting::kSite | setting::kWake;
  EXPECT_EQ(protocol.DeviceSettings(&record, &mask, kModeGet), proto::kPartlyFailed);
  EXPECT_EQ(mask, setting::kIdentity | setting::kWake);
  EXPECT_EQ(record.validMask & setting::kSite, 0u) << "a site that failed is no longer known";
  EXPECT_EQ(record.wake, 600);
}

class CancellingHooks final : public ProtocolHooks {
 public:
  bool ProgressHook(int total, int done, int phase) override {
    calls.push_back({total, done, phase});
    return phase != progress_phase::kProgress || calls.size() < 3;
  }
  struct Call {
    int total, done, phase;
    bool operator==(const Call&) const = default;
  };
  std::vector<Call> calls;
};

TEST_F(DeviceSettingsOnSim, ProgressHookReportsAndCancels) {
  ServePreset("rvan");
  options.progressHookOn = 1;
  ASSERT_EQ(Connect(), proto::kOk);
  CancellingHooks hooks;
  protocol.SetHooks(&hooks);
  DeviceInfo record;
  uint32_t mask = setting::kName | setting::kDeviceId | setting::kReport | setting::kWake;
  EXPECT_EQ(protocol.DeviceSettings(&record, &mask, kModeGet), proto::kCancelled);
  EXPECT_EQ(hooks.calls,
            (std::vector<CancellingHooks::Call>{{4, 0, 1}, {4, 1, 1}, {4, 2, 1}, {4, 2, 2}}));
  EXPECT_TRUE(Logged("DeviceSettings canceled by user after getting 2 of 4 settings"));
  EXPECT_EQ(Count(Lines(), "get -report"), 0);
  protocol.SetHooks(nullptr);
}

TEST_F(DeviceSettingsOnSim, RefusesAnUnknownMode) {
  ServePreset("rvan");
  ASSERT_EQ(Connect(), proto::kOk);
  DeviceInfo record;
  uint32_t mask = setting::kName;
  EXPECT_EQ(protocol.DeviceSettings(&record, &mask, 2), proto::kOutOfRange);
  EXPECT_EQ(protocol.DeviceSettings(nullptr, &mask, kModeGet), proto::kMissingArgument);
}

}  // namespace
}  // namespace vesk::test
