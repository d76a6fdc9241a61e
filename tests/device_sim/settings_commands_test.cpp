// Each settings command against simulated devices: a get reads the device's store into the
// record, a set writes the record back into the store.
#include <cmath>
#include <cstdlib>
#include <map>
#include <string>

#include "device/answer_parsing.h"
#include "device/protocol_codes.h"
#include "protocol_fixture.h"
#include "store_text.h"

namespace vesk::test {
namespace {

// A value to write for each store key, in the store's own form.
const std::map<std::string, std::string>& NewValues() {
  static const std::map<std::string, std::string> values = {
      {"i", "FIELD9"},
      {"sn", "SN777"},
      {"devid", "DEV0042"},
      {"report", "5"},
      {"depth", "1 2 3 4 5"},
      {"lat", "-12.50000"},
      {"long", "+7.25000"},
      {"tz", "8"},
      {"site", "South Gate"},
      {"w", "1800"},
      {"padc", "100"},
      {"ports", "0 1 0 1 0"},
      {"trait", "230"},  // radio and cellular modem, so the cellular settings stay reachable
      {"r", "1"},
      {"data", "9"},
      {"build", "B2020.01.01"},
      {"adc30", "5 6 7 8 9 10 11 12 13 14 95"},
      {"adc15", "20 21 22 23 24 25 26 27 28 29 245"},
      {"apn", "m2m.example"},
      {"user", "field"},
      {"passwd", "pa55"},
      {"authkey", "FEDCBA9876543210FEDCBA9876543210"},
      {"host", "collector.example"},
      {"ipport", "6001"},
      {"rch", "5"},
      {"rsch", "BEEF"},
  };
  return values;
}

class SettingsCommands : public ProtocolOnSim {};

TEST_F(SettingsCommands, EveryStoredSettingIsReadAndWrittenOnEveryKind) {
  for (const auto& [preset, description] : sim::CommandLineDeviceKinds()) {
    if (preset == "rva-old") {
      continue;  // its settings travel in "show"; see the old-firmware tests
    }
    SCOPED_TRACE(preset);
    ServePreset(preset);
    ASSERT_EQ(Connect(), proto::kOk);
    // The cellular settings are there only once the trait says so.
    if (protocol.TraitCommand(&protocol.info.trait, kModeGet) < 0) {
      ADD_FAILURE() << "trait";
    }
    const std::map<std::string, std::string> store = Store();
    for (const auto& [key, stored] : store) {
      SCOPED_TRACE(key);
      ASSERT_EQ(RunSetting(protocol, key, kModeGet), proto::kOk);
      EXPECT_EQ(StoreTextOf(protocol.info, key), stored);
      if (key == "rver") {
        continue;  // the radio's own version cannot be written
      }
      std::string value = NewValues().at(key);
      if ((key == "adc30" || key == "adc15") &&
          (protocol.info.supportedMask & capability::kShortAdcCalibration) != 0) {
        value = "30 40 70";
      }
      SetFromStoreText(protocol.info, key, value);
      ASSERT_EQ(RunSetting(protocol, key, kModeSet), proto::kOk);
      EXPECT_EQ(Store().at(key), value);
    }
    protocol.DisconnectDevice(false);
  }
}

struct GateCase {
  const char* preset;
  const char* key;
  int mode;
};

TEST_F(SettingsCommands, MissingCapabilitySendsNothing) {
  const GateCase cases[] = {
      {"keldwave", "w", kModeGet},     {"keldwave", "padc", kModeSet},
      {"keldwave", "devid", kModeGet}, {"keldwave", "lat", kModeSet},
      {"keldwave", "data", kModeGet},  {"keldwave", "build", kModeGet},
      {"keldwave", "adc30", kModeSet}, {"keldwave", "r", kModeGet},
      {"keldwave", "rch", kModeGet},   {"gx2", "apn", kModeGet},
      {"gx2", "build", kModeSet},      {"rvak", "report", kModeGet},
  };
  for (const GateCase& c : cases) {
    SCOPED_TRACE(std::string(c.preset) + " " + c.key);
    ServePreset(c.preset);
    ASSERT_EQ(Connect(), proto::kOk);
    protocol.TraitCommand(&protocol.info.trait, kModeGet);
    const size_t linesBefore = Lines().size();
    EXPECT_EQ(RunSetting(protocol, c.key, c.mode), proto::kNotSupported);
    EXPECT_EQ(Lines().size(), linesBefore);
    protocol.DisconnectDevice(false);
  }
}

TEST_F(SettingsCommands, UnsupportedListsAreFilledWithTheirUnknownValues) {
  ServePreset("keldwave");
  ASSERT_EQ(Connect(), proto::kOk);
  protocol.info.ports = {1, 2, 3, 4, 5};
  protocol.info.depth = {1, 2, 3, 4, 5};
  EXPECT_EQ(protocol.PortsCommand(&protocol.info.ports, kModeGet), proto::kNotSupported);
  EXPECT_EQ(protocol.DepthCommand(&protocol.info.depth, kModeGet), proto::kNotSupported);
  EXPECT_EQ(protocol.info.ports, (Ports{0, 0, 0, 0, 0}));
  EXPECT_EQ(protocol.info.depth, (Ports{255, 255, 255, 255, 255}));
}

TEST_F(SettingsCommands, RefusedSetIsASettingRefusalOnlyForTexts) {
  ServePreset("rvan", [](sim::CommandLineDeviceConfig& config) {
    config.faults = {{"set -site", "\rERROR\r>", -1},
                     {"set -sn", "\rUnsupported\r>", -1},
                     {"set -w", "\rERROR\r>", -1}};
  });
  ASSERT_EQ(Connect(), proto::kOk);
  CopyTruncated(protocol.info.site, "Elsewhere");
  EXPECT_EQ(protocol.SiteCommand(&protocol.info.site, kModeSet), proto::kRefusedSetting);
  CopyTruncated(protocol.info.sn, "X1");
  EXPECT_EQ(protocol.SNCommand(&protocol.info.sn, kModeSet), proto::kRefusedSetting);
  protocol.info.wake = 60;
  EXPECT_EQ(protocol.WakeCommand(&protocol.info.wake, kModeSet), proto::kRefused);
  EXPECT_TRUE(Logged("WakeCommand failed with error -34"));
  EXPECT_EQ(Store().at("site"), "North Ridge Station");
}

TEST_F(SettingsCommands, InvalidValuesAreRefusedBeforeAnythingIsSent) {
  ServePreset("rvan");
  ASSERT_EQ(Connect(), proto::kOk);
  ASSERT_EQ(protocol.TraitCommand(&protocol.info.trait, kModeGet), proto::kOk);
  const size_t linesBefore = Lines().size();

  FixedText<9> name{};
  CopyTruncated(name, "help");
  EXPECT_EQ(protocol.NameCommand(&name, kModeSet), proto::kNameReserved);
  EXPECT_TRUE(Logged("NameCommand: \"help\" is an illegal device name (error -52)"));
  int32_t negative = -5;
  EXPECT_EQ(protocol.WakeCommand(&negative, kModeSet), proto::kOutOfRange);
  EXPECT_EQ(protocol.PADCCommand(&negative, kModeSet), proto::kOutOfRange);
  FixedText<33> key{};
  CopyTruncated(key, "0123456789ABCDEF0123456789ABCDEZ");
  EXPECT_EQ(protocol.AuthKeyCommand(&key, kModeSet), proto::kOutOfRange);
  for (double position : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
    EXPECT_EQ(protocol.LatitudeCommand(&position, kModeSet), proto::kOutOfRange) << position;
    EXPECT_EQ(protocol.LongitudeCommand(&position, kModeSet), proto::kOutOfRange) << position;
  }
  uint32_t unread = 0x01;  // the trait was never read
  EXPECT_EQ(protocol.TraitCommand(&unread, kModeSet), proto::kOutOfRange);
  EXPECT_EQ(protocol.WakeCommand(nullptr, kModeGet), proto::kMissingArgument);
  EXPECT_EQ(Lines().size(), linesBefore);
}

TEST_F(SettingsCommands, TimeZoneOfTheHostIsSentInQuarterHours) {
  struct Case {
    const char* tz;  // POSIX: the sign is the offset west of Greenwich
    const char* sent;
    int32_t kept;
  };
  const Case cases[] = {{"UTC-2", "set -tz 8", 8}, {"UTC+7", "set -tz -28", -28}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tz);
    ScopedTimeZone zone(c.tz);
    ServePreset("rvan");
    ASSERT_EQ(Connect(), proto::kOk);
    int32_t value = -2;
    EXPECT_EQ(protocol.TimeZoneCommand(&value, kModeSet), proto::kOk);
    EXPECT_EQ(value, c.kept);
    EXPECT_EQ(Count(Lines(), c.sent), 1);
    protocol.DisconnectDevice(false);
  }
}

TEST_F(SettingsCommands, PositionZeroClearsIt) {
  ServePreset("rvan");
  ASSERT_EQ(Connect(), proto::kOk);
  double zero = 0;
  EXPECT_EQ(protocol.LatitudeCommand(&zero, kModeSet), proto::kOk);
  EXPECT_EQ(protocol.LongitudeCommand(&zero, kModeSet), proto::kOk);
  EXPECT_EQ(Count(Lines(), "set -lat "), 1);
  EXPECT_EQ(Count(Lines(), "set -long "), 1);
  // A cleared position reads back as nothing at all.
  double lat = 1;
  EXPECT_EQ(protocol.LatitudeCommand(&lat, kModeGet), proto::kEmptyAnswer);
  EXPECT_EQ(lat, 1);
}

TEST_F(SettingsCommands, CalibrationCarriesItsCheckSum) {
  ServePreset("rvan");
  ASSERT_EQ(Connect(), proto::kOk);
  Ports slopes = {10, 20, 30, 40, 50};
  Ports offsets = {1, 2, 3, 4, 5};
  ASSERT_EQ(protocol.ADCcalCommand(kAdcSet30, &slopes, &offsets, kModeSet), proto::kOk);
  EXPECT_EQ(Count(Lines(), "set -adc30 10 1 20 2 30 3 40 4 50 5 165"), 1);
  EXPECT_EQ(protocol.ADCcalCommand(3, &slopes, &offsets, kModeGet), proto::kOutOfRange);

  struct Case {
    const char* stored;
    int result;
    Ports slopes;
  };
  const Case cases[] = {
      {"10 1 20 2 30 3 40 4 50 5 165", proto::kOk, {10, 20, 30, 40, 50}},
      {"10 1 0 2 30 3 40 4 50 5 145", proto::kNotSupported, {10, 0, 30, 40, 50}},
      {"10 1 300 2 30 3 40 4 50 5 154", proto::kNotSupported, {10, 255, 30, 40, 50}},
      {"10 1 20 2 30 3 40 4 50 5 166", proto::kNotSupported, {10, 20, 30, 40, 50}},
      {"10 1 20 2", proto::kBadAnswer, {0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    OnDevice([&c](sim::CommandLineDevice& d) { return d.settings()["adc15"] = c.stored; });
    Ports s{}, o{};
    EXPECT_EQ(protocol.ADCcalCommand(kAdcSet15, &s, &o, kModeGet), c.result);
    EXPECT_EQ(s, c.slopes) << "values read are kept even when they are not valid";
  }
  EXPECT_TRUE(Logged("ADCcalCommand found (not valid) -adc15 10 1 20 2 30 3 40 4 50 5 166"));
  EXPECT_TRUE(Logged("ADCcalCommand only found 4 of 11 cal -adc15 factors"));
}

TEST_F(SettingsCommands, Gx2RadioModeIsFixed) {
  ServePreset("gx2");
  ASSERT_EQ(Connect(), proto::kOk);
  const size_t linesBefore = Lines().size();
  int32_t mode = 3;
  EXPECT_EQ(protocol.RmodeCommand(&mode, kModeSet), proto::kOk);
  EXPECT_EQ(mode, 3);
  EXPECT_EQ(protocol.RmodeCommand(&mode, kModeGet), proto::kOk);
  EXPECT_EQ(mode, 16);
  EXPECT_EQ(Lines().size(), linesBefore);
  EXPECT_TRUE(Logged("RmodeCommand found an gX2 that is always mode 16"));
}

struct TraitCase {
  const char* preset;
  const char* reported;  // "" leaves the store without a trait
  uint32_t trait;
  bool asked;
};

TEST_F(SettingsCommands, TraitIsReadOrWorkedOut) {
  const TraitCase cases[] = {
      {"gx2", "254", 0x4001, true},  {"rvan", "246", 0x4009, true},
      {"ovt9", "255", 0x4000, true}, {"keldrum", "", 0x4001, false},  // always carries a radio
      {"rvak", "", 0x4000, false},                                    // cannot carry one
      {"rva", "", 0x4001, false},  // its radio answers with a version
  };
  for (const TraitCase& c : cases) {
    SCOPED_TRACE(c.preset);
    ServePreset(c.preset, [&c](sim::CommandLineDeviceConfig& config) {
      if (*c.reported)
        config.settings["trait"] = c.reported;
    });
    ASSERT_EQ(Connect(), proto::kOk);
    uint32_t trait = 0;
    EXPECT_EQ(protocol.TraitCommand(&trait, kModeGet), proto::kOk);
    EXPECT_EQ(trait, c.trait);
    EXPECT_EQ(Count(Lines(), "get -trait"), c.asked ? 1 : 0);
    protocol.DisconnectDevice(false);
  }

  ServePreset("gx2");
  ASSERT_EQ(Connect(), proto::kOk);
  uint32_t trait = 0x4001;
  EXPECT_EQ(protocol.TraitCommand(&trait, kModeSet), proto::kOk);
  EXPECT_EQ(Count(Lines(), "set -trait 254"), 1);
}

TEST_F(SettingsCommands, AuthKeyFallsBackToTheFormerName) {
  ServePreset("rvan", [](sim::CommandLineDeviceConfig& config) {
    config.settings["teakey"] = config.settings["authkey"];
    config.settings.erase("authkey");
  });
  ASSERT_EQ(Connect(), proto::kOk);
  ASSERT_EQ(protocol.TraitCommand(&protocol.info.trait, kModeGet), proto::kOk);
  EXPECT_EQ(protocol.AuthKeyCommand(&protocol.info.authkey, kModeGet), proto::kOk);
  EXPECT_EQ(TextOf(protocol.info.authkey), "0123456789ABCDEF0123456789ABCDEF");
  EXPECT_TRUE(Logged("AuthKeyCommand found authkey (as teakey)"));
}

TEST_F(SettingsCommands, RadioThatIsNotFittedIsReportedAsSuch) {
  ServePreset("gx2", [](sim::CommandLineDeviceConfig& config) { config.radioFitted = false; });
  ASSERT_EQ(Connect(), proto::kOk);
  uint32_t mask = setting::kRadio;
  EXPECT_EQ(protocol.MSRadioCommand(&protocol.info.rch, &protocol.info.rsch, &protocol.info.rver,
                                    kModeGet, &mask),
            proto::kNoRadio);
  EXPECT_EQ(mask, 0u);
  EXPECT_EQ(Count(Lines(), "get -rch"), 0) << "the channel is not asked once no radio answered";
  EXPECT_TRUE(Logged("MSRadioCommand couldn't find a radio"));

  mask = setting::kRch;
  protocol.info.rch = 2;
  EXPECT_EQ(protocol.MSRadioCommand(&protocol.info.rch, nullptr, nullptr, kModeSet, &mask),
            proto::kNoRadio);
  EXPECT_EQ(Count(Lines(), "set -rch 2"), 1) << "\"No Radio\" ends the tries";
}

class OldFirmwareSettings : public ProtocolOnSim {
 protected:
  void SetUp() override {
    ServePreset("rva-old");
    ASSERT_EQ(Connect(), proto::kOk);
  }
};

TEST_F(OldFirmwareSettings, SetsAreConfirmedByThePromptAndSomeAreMissing) {
  protocol.info.wake = 1200;
  EXPECT_EQ(protocol.WakeCommand(&protocol.info.wake, kModeSet), proto::kOk);
  EXPECT_EQ(Store().at("w"), "1200");
  CopyTruncated(protocol.info.name, "NEWOLD");
  EXPECT_EQ(protocol.NameCommand(&protocol.info.name, kModeSet), proto::kOk);
  EXPECT_EQ(Store().at("i"), "NEWOLD");

  CopyTruncated(protocol.info.sn, "X");
  EXPECT_EQ(protocol.SNCommand(&protocol.info.sn, kModeSet), proto::kNotSupported);
  protocol.info.version = 123;
  int32_t padc = 50;
  EXPECT_EQ(protocol.PADCCommand(&padc, kModeGet), proto::kNotSupported);
  EXPECT_EQ(padc, -1);
  EXPECT_EQ(Count(Lines(), "hertz"), 0);
  EXPECT_EQ(Count(Lines(), "set -sn X"), 0);
}

TEST_F(OldFirmwareSettings, RadioIsReachedThroughTheTerminalMode) {
  uint32_t mask = setting::kRadio;
  EXPECT_EQ(protocol.MSRadioCommand(&protocol.info.rch, &protocol.info.rsch, &protocol.info.rver,
                                    kModeGet, &mask),
            proto::kOk);
  EXPECT_EQ(mask, setting::kRadio);
  EXPECT_EQ(protocol.info.rch, 3);
  EXPECT_EQ(protocol.info.rsch, 0x1A2B);
  EXPECT_EQ(TextOf(protocol.info.rver), "2A13");
  const auto modemCommands =
      OnDevice([](sim::CommandLineDevice& d) { return d.terminalModem().commands(); });
  EXPECT_EQ(modemCommands, (std::vector<std::string>{"ATHP", "ATDT", "ATVR", "ATCN"}));
  // The device's own command line is back afterwards.
  EXPECT_EQ(protocol.ParseShowCommand(nullptr), proto::kOk);
}

}  // namespace
}  // namespace vesk::test
