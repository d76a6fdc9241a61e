// The device clock in both of its forms, and the erase confirmation with its identity check.
#include <string>
#include <vector>

#include "device/protocol_codes.h"
#include "protocol_fixture.h"

namespace vesk::test {
namespace {

constexpr int64_t k2010 = 315619200;  // 2010-01-01 00:00:00 in VeskSeconds
constexpr std::time_t k2010Unix = 1262304000;

class DeviceClockOnSim : public ProtocolOnSim {
 protected:
  int64_t DeviceClockNow() {
    return OnDevice([](sim::CommandLineDevice& d) { return d.ClockNow(sim::SimClock::now()); });
  }
  ScopedTimeZone utc{"UTC"};
};

TEST_F(DeviceClockOnSim, SecondsClockIsSetFromTheComputer) {
  ServePreset("pelmirat");
  ASSERT_EQ(Connect(), proto::kOk);
  wallClock.now = k2010Unix;
  int64_t value = 0;
  EXPECT_EQ(protocol.DeviceTime(&value, kModeSet), proto::kOk);
  EXPECT_EQ(value, k2010) << "the value written comes back";
  EXPECT_EQ(Count(Lines(), "set -sec 315619200"), 1);
  EXPECT_TRUE(Logged("DeviceTime set device veskseconds to 315619200"));
  EXPECT_EQ(protocol.DeviceTime(nullptr, kModeGet), proto::kMissingArgument);

  int64_t read = 0;
  EXPECT_EQ(protocol.DeviceTime(&read, kModeGet), proto::kOk);
  EXPECT_GE(read, k2010);
  EXPECT_LE(read, DeviceClockNow());
}

TEST_F(DeviceClockOnSim, ComputerTimeIsTakenInItsOwnZone) {
  ScopedTimeZone zone("UTC-2");
  ServePreset("pelmirat");
  ASSERT_EQ(Connect(), proto::kOk);
  wallClock.now = k2010Unix;
  int64_t value = 0;
  EXPECT_EQ(protocol.DeviceTime(&value, kModeSet), proto::kOk);
  EXPECT_EQ(value, k2010 + 7200);
}

TEST_F(DeviceClockOnSim, TimeAndDateAreSentInThatOrder) {
  ServePreset("rvan");
  ASSERT_EQ(Connect(), proto::kOk);
  int64_t value = k2010 + 13 * 3600 + 14 * 60 + 15;
  EXPECT_EQ(protocol.DeviceTime(&value, kModeSet), proto::kOk);
  const std::vector<std::string> lines = Lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
            (std::vector<std::string>{"set -t 13:14:15", "set -d 2010-1-1"}));
  EXPECT_GE(DeviceClockNow(), value);
  EXPECT_LE(DeviceClockNow(), value + 60);

  int64_t read = 0;
  EXPECT_EQ(protocol.DeviceTime(&read, kModeGet), proto::kOk);
  EXPECT_GE(read, value);
  EXPECT_LE(read, DeviceClockNow());
}

TEST_F(DeviceClockOnSim, DateDecidesTheResult) {
  struct Case {
    const char* refused;
    int result;
  };
  for (const Case& c : {Case{"set -t", proto::kOk}, Case{"set -d", proto::kRefused}}) {
    SCOPED_TRACE(c.refused);
    ServePreset("rvan", [&c](sim::CommandLineDeviceConfig& config) {
      config.faults = {{c.refused, "\rERROR\r>", -1}};
    });
    ASSERT_EQ(Connect(), proto::kOk);
    int64_t value = k2010;
    EXPECT_EQ(protocol.DeviceTime(&value, kModeSet), c.result);
    protocol.DisconnectDevice(false);
  }
}

struct ReadCase {
  const char* preset;
  std::vector<sim::CommandFault> faults;
  int result;
  int64_t value;  // -2: the device's own clock
};

TEST_F(DeviceClockOnSim, ReadingTheClock) {
  const ReadCase cases[] = {
      {"rvan", {}, proto::kOk, -2},
      {"rva-old", {}, proto::kOk, -2},  // asks "time"
      {"pelmirat", {}, proto::kOk, -2},
      {"pelmirat", {{"get -sec", "\r-5\r>", -1}}, proto::kBadAnswer, -1},
      {"pelmirat", {{"get -sec", "\rsoon\r>", -1}}, proto::kBadAnswer, -1},
      {"rvan", {{"get -t", "\rDate\\Time: 2016-5-1\r>", -1}}, proto::kBadAnswer, -1},
      {"rvan", {{"get -t", "\r2010-1-1 0:0:0\r>", -1}}, proto::kOk, k2010},
      {"rvan", {{"get -t", "\rERROR\r>", -1}}, proto::kBadAnswer, -1},
      {"keldrum", {}, proto::kNotSupported, -1},  // no clock at all
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.preset + std::string(c.faults.empty() ? "" : " " + c.faults[0].answer));
    ServePreset(c.preset, [&c](sim::CommandLineDeviceConfig& config) { config.faults = c.faults; });
    ASSERT_EQ(Connect(), proto::kOk);
    const size_t linesBefore = Lines().size();
    int64_t value = 12345;
    EXPECT_EQ(protocol.DeviceTime(&value, kModeGet), c.result);
    if (c.value == -2) {
      EXPECT_GE(value, 515419200);
      EXPECT_LE(value, DeviceClockNow());
    } else {
      EXPECT_EQ(value, c.value);
    }
    if (c.result == proto::kNotSupported) {
      EXPECT_EQ(Lines().size(), linesBefore);
    }
    protocol.DisconnectDevice(false);
  }
}

class EraseOnSim : public ProtocolOnSim {
 protected:
  void ConnectAndName() {
    ASSERT_EQ(Connect(), proto::kOk);
    ASSERT_EQ(protocol.NameCommand(&protocol.info.name, kModeGet), proto::kOk);
  }
  int Erases() {
    return OnDevice([](sim::CommandLineDevice& d) { return d.erases(); });
  }
};

TEST_F(EraseOnSim, SameDeviceIsErased) {
  ServePreset("rvan");
  ConnectAndName();
  EXPECT_EQ(protocol.EraseData(), proto::kOk);
  EXPECT_EQ(Erases(), 1);
  EXPECT_TRUE(Logged("InitializeDevice erased device data"));
}

TEST_F(EraseOnSim, RenamedDeviceIsRefusedAndNeverAskedToErase) {
  ServePreset("rvan");
  ConnectAndName();
  OnDevice([](sim::CommandLineDevice& d) { return d.settings()["i"] = "OTHER"; });
  EXPECT_EQ(protocol.EraseData(), proto::kIdentityMismatch);
  EXPECT_EQ(Count(Lines(), "yes"), 0);
  EXPECT_EQ(Erases(), 0);
  EXPECT_TRUE(Logged("EraseData: Identity mismatch. Class: LAKE01, Device: OTHER"));
}

TEST_F(EraseOnSim, UnidentifiedDeviceIsRefused) {
  ServePreset("rvan", [](sim::CommandLineDeviceConfig& config) {
    config.faults = {{"get -i", "\rERROR\r>", -1}};
  });
  ASSERT_EQ(Connect(), proto::kOk);
  EXPECT_EQ(protocol.EraseData(), proto::kIdentityMismatch);
  EXPECT_EQ(Count(Lines(), "yes"), 0);
  EXPECT_TRUE(Logged("EraseData failed checking the identity of device (error -34)"));
}

TEST_F(EraseOnSim, BrokenDataMemoryIsReported) {
  struct Case {
    const char* what;
    bool dataFlashFails;
    std::vector<sim::CommandFault> faults;
  };
  const Case cases[] = {
      {"DataFlash FAIL", true, {}},
      {"refused", false, {{"yes", "\rERROR\r>", -1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ServePreset("rvan", [&c](sim::CommandLineDeviceConfig& config) {
      config.dataFlashFails = c.dataFlashFails;
      config.faults = c.faults;
    });
    ConnectAndName();
    EXPECT_EQ(protocol.EraseData(), proto::kDataFlashBroken);
    EXPECT_TRUE(Logged("EraseData failed due to a broken DataFlash"));
    protocol.DisconnectDevice(false);
  }
}

TEST_F(EraseOnSim, OldFirmwareIsIdentifiedByShowAndAnswersWithAnExclamation) {
  ServePreset("rva-old");
  ASSERT_EQ(Connect(), proto::kOk);
  ASSERT_EQ(protocol.VerCommand(false), proto::kOk);  // reads the name with "show"
  EXPECT_EQ(protocol.EraseData(), proto::kOk);
  EXPECT_EQ(Count(Lines(), "show"), 2);
  EXPECT_EQ(Erases(), 1);
}

}  // namespace
}  // namespace vesk::test
