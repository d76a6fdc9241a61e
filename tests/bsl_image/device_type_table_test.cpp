// The device-type table's lookups and the descriptor rules: version answers, support by
// version, the rows with their own memory map or version window, and the digital-sensor map.
#include "bsl/device_type_table.h"

#include <gtest/gtest.h>

#include <string>

namespace vesk {
namespace {

struct DetectCase {
  const char* name;
  const char* answer;
  int32_t result;
  uint8_t row;
  int32_t version;
  bool supported;
  const char* versionText;
};

void PrintTo(const DetectCase& c, std::ostream* os) {
  *os << c.answer;
}

class DetectDeviceTypeTest : public ::testing::TestWithParam<DetectCase> {};

TEST_P(DetectDeviceTypeTest, BuildsTheDescriptorFromTheAnswer) {
  const DetectCase& c = GetParam();
  DeviceDescriptor out;
  EXPECT_EQ(DetectDeviceType(c.answer, &out), c.result);
  EXPECT_EQ(out.typeRow, c.row);
  EXPECT_EQ(DisplayNameOf(out), DeviceTypeRowOf(c.row).displayName);
  EXPECT_EQ(out.deviceVersion, c.version);
  EXPECT_EQ(out.supported, c.supported);
  EXPECT_EQ(VersionTextOf(out), c.versionText);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, DetectDeviceTypeTest,
    ::testing::Values(
        DetectCase{"Rvan326", "RVAN 3.26", 1, 3, 326, true, "RVAN 3.26"},
        DetectCase{"LowerCaseOldRvan", "rvan 1.02", 1, 3, 102, false, "rvan 1.02"},
        DetectCase{"Br3AtItsMinimum", "BR3 3.51", 1, 12, 351, true, "BR3 3.51"},
        DetectCase{"Br3BelowItsMinimum", "BR3 3.50", 1, 12, 350, false, "BR3 3.50"},
        DetectCase{"NoPointIsUnknownButFine", "Pelmirat boot", 1, 0, 0, false, "Pelmirat boot"},
        DetectCase{"UnknownCode", "XYZ 1.00", -30, 0, 100, false, "XYZ 1.00"},
        DetectCase{"MissingSecondDigit", "KD 1.5", 1, 4, 150, true, "KD 1.5"},
        DetectCase{"WhitespaceAroundNumbers", "  SX \t2. 1 7\r\n>", 1, 9, 217, true,
                   "  SX \t2. 1 7\r\n>"},
        DetectCase{"RvaNeverSupported", "RVA 9.99", 1, 1, 999, false, "RVA 9.99"},
        // The descriptor holds 21 characters of the answer.
        DetectCase{"LongAnswerCut", "PL 2.10 build 2014-03-05 (field unit 7)", 1, 14, 210, true,
                   "PL 2.10 build 2014-03"},
        DetectCase{"LongCodeWord", "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZ 1.00", -30,
                   0, 100, false, "ABCDEFGHIJKLMNOPQRSTU"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DetectDeviceTypeTest, UnreadableAnswersLeaveTheDescriptorAsItWas) {
  const char* answers[] = {"RVAN v3.26", "RVAN 3.",          "RVAN .26",
                           "RVAN 3.x6",  "RVAN 12345678.90", "   .  "};
  for (const char* answer : answers) {
    SCOPED_TRACE(answer);
    DeviceDescriptor out;
    BuildDeviceDescriptor(3, 326, out);
    EXPECT_EQ(DetectDeviceType(answer, &out), kDeviceTypeUnreadable);
    EXPECT_EQ(out.typeRow, 3);
    EXPECT_EQ(out.deviceVersion, 326);
    EXPECT_EQ(VersionTextOf(out), "");
  }
}

TEST(DetectDeviceTypeTest, MissingArguments) {
  DeviceDescriptor out;
  BuildDeviceDescriptor(3, 326, out);
  EXPECT_EQ(DetectDeviceType(nullptr, &out), kDeviceTypeMissingArgument);
  EXPECT_EQ(DetectDeviceType("", &out), kDeviceTypeMissingArgument);
  EXPECT_EQ(DetectDeviceType("RVAN 3.26", nullptr), kDeviceTypeMissingArgument);
  EXPECT_EQ(out.typeRow, 3);
}

TEST(DeviceTypeTableTest, CodesFindTheirRowsIgnoringCase) {
  EXPECT_EQ(FindDeviceTypeByCode("quorl-vk"), 10);
  EXPECT_EQ(FindDeviceTypeByCode("Br4TdL"), 22);
  EXPECT_EQ(FindDeviceTypeByCode("BR4"), 15);     // not a prefix match of BR4TDL
  EXPECT_EQ(FindDeviceTypeByCode("UNKNOWN"), 0);  // row 0 is never matched
  EXPECT_EQ(FindDeviceTypeByCode("END"), 0);
  EXPECT_EQ(FindDeviceTypeByCode(""), 0);
  for (size_t row = 1; row < kDeviceTypeCount; ++row) {
    EXPECT_EQ(FindDeviceTypeByCode(DeviceTypeTable[row].code), row);
  }
}

// A boot loader that takes four-digit addresses cannot be told to erase or write above 0xFFFF:
// a row whose memory reaches past it must have five-digit addresses (and those parts' speed).
TEST(DeviceTypeTableTest, MemoryMapsFitTheirAddressWidth) {
  for (int32_t row = 0; row < static_cast<int32_t>(kDeviceTypeCount); ++row) {
    SCOPED_TRACE(row);
    DeviceDescriptor d;
    BuildDeviceDescriptor(row, 999, d);
    EXPECT_LT(d.flashStart, d.flashEnd);
    EXPECT_EQ(d.extendedAddresses, d.flashEnd > 0xFFFF);
    EXPECT_EQ(d.bootBaud, d.extendedAddresses ? 57600 : 9600);
    EXPECT_LE(d.infoStart + d.infoSegments * d.infoSegmentSize, d.flashStart);
  }
}

// Rows without a rule of their own: the descriptor is the row, field by field.
TEST(BuildDeviceDescriptorTest, CopiesTheRow) {
  for (int32_t row = 0; row < static_cast<int32_t>(kDeviceTypeCount); ++row) {
    if (row == 10 || row == 14 || row == 15) {
      continue;
    }
    SCOPED_TRACE(row);
    const DeviceTypeRow& r = DeviceTypeTable[row];
    DeviceDescriptor d;
    BuildDeviceDescriptor(row, 500, d);
    EXPECT_EQ(d.typeRow, row);
    EXPECT_EQ(DisplayNameOf(d), r.displayName);
    EXPECT_EQ(d.deviceVersion, 500);
    EXPECT_EQ(d.restartWaitMs, r.restartWaitMs);
    EXPECT_EQ(d.keepsSettings, r.keepsSettings);
    EXPECT_EQ(d.eraseDataAfter, r.eraseDataAfter);
    EXPECT_EQ(d.checksBattery, r.checksBattery);
    EXPECT_EQ(d.needsAccessLogin, r.needsAccessLogin);
    EXPECT_EQ(d.setsClock, r.setsClock);
    EXPECT_EQ(d.usesPostInit, r.usesPostInit);
    EXPECT_EQ(d.showNotice, r.showNotice);
    EXPECT_EQ(d.extendedAddresses, r.extendedAddresses);
    EXPECT_EQ(d.flashStart, r.flashStart);
    EXPECT_EQ(d.flashEnd, r.flashEnd);
    EXPECT_EQ(d.infoStart, r.infoStart);
    EXPECT_EQ(d.infoSegments, r.infoSegments);
    EXPECT_EQ(d.infoSegmentSize, r.infoSegmentSize);
    EXPECT_EQ(d.bootBaud, r.bootBaud);
    EXPECT_FALSE(d.checkVersionWindow);
    EXPECT_EQ(d.minVersion, 0);
    EXPECT_EQ(d.maxVersion, 0);
  }
}

TEST(BuildDeviceDescriptorTest, SupportDependsOnRowAndVersion) {
  struct Case {
    int32_t row;
    int32_t version;
    bool supported;
  };
  const Case cases[] = {
      {1, 999, false}, {5, 999, false}, {2, 0, true},    {7, 0, true},    {24, 0, true},
      {3, 103, true},  {3, 102, false}, {4, 105, true},  {4, 104, false}, {6, 118, true},
      {6, 117, false}, {8, 150, true},  {8, 149, false}, {12, 351, true}, {12, 350, false},
      {14, 0, true},   {15, 0, true},   {0, 999, false},
  };
  for (const Case& c : cases) {
    DeviceDescriptor d;
    BuildDeviceDescriptor(c.row, c.version, d);
    EXPECT_EQ(d.supported, c.supported) << "row " << c.row << " version " << c.version;
  }
}

TEST(BuildDeviceDescriptorTest, RowsOutsideTheTableAreUnknown) {
  for (int32_t row : {-1, 25, 255, 1000}) {
    DeviceDescriptor d;
    BuildDeviceDescriptor(row, 326, d);
    EXPECT_EQ(d.typeRow, 0) << row;
    EXPECT_EQ(DisplayNameOf(d), "UNKNOWN");
    EXPECT_FALSE(d.supported);
  }
}

TEST(BuildDeviceDescriptorTest, PelmiratAlwaysHasTheTwentyBitMap) {
  DeviceDescriptor d;
  BuildDeviceDescriptor(14, 100, d);
  EXPECT_TRUE(d.extendedAddresses);
  EXPECT_EQ(d.flashStart, 0x2100);
  EXPECT_EQ(d.flashEnd, 0x1FF00);
  EXPECT_EQ(d.infoStart, 0x1000);
  EXPECT_EQ(d.infoSegments, 3);
  EXPECT_EQ(d.infoSegmentSize, 64);
  EXPECT_EQ(d.bootBaud, 57600);
  EXPECT_EQ(d.restartWaitMs, 2000);
}

TEST(BuildDeviceDescriptorTest, Brinel4TestsAVersionWindowThatRefuses201) {
  DeviceDescriptor d;
  ASSERT_EQ(DetectDeviceType("BR4 2.01", &d), 1);
  EXPECT_TRUE(d.supported);
  EXPECT_TRUE(d.checkVersionWindow);
  EXPECT_EQ(d.minVersion, 202);
  EXPECT_EQ(d.maxVersion, 999);
  EXPECT_LT(d.deviceVersion, d.minVersion);
}

TEST(BuildDeviceDescriptorTest, DigitalSensorOfThisBuild) {
  DeviceDescriptor d;
  BuildDeviceDescriptor(10, kVersionNotAsked, d);
  EXPECT_TRUE(d.supported);
  EXPECT_EQ(d.flashStart, 0x8000);
  EXPECT_EQ(d.flashEnd, 0xF9FF);
  EXPECT_EQ(d.infoStart, 0x1000);
  EXPECT_EQ(d.infoSegments, 3);
  EXPECT_EQ(d.infoSegmentSize, 64);
  EXPECT_EQ(d.bootBaud, 9600);
  EXPECT_EQ(d.restartWaitMs, 1000);
  EXPECT_FALSE(d.extendedAddresses);
  EXPECT_FALSE(d.checkVersionWindow);
  EXPECT_EQ(DisplayNameOf(d), "Digital Sensor");
}

struct SensorCase {
  int32_t sensorType;
  int32_t imageVersion;
  bool supported;
  bool newMap;
  bool window;
  int32_t minVersion;
  int32_t maxVersion;
};

void PrintTo(const SensorCase& c, std::ostream* os) {
  *os << "sensor type " << c.sensorType << ", image version " << c.imageVersion;
}

class SensorMemoryMapTest : public ::testing::TestWithParam<SensorCase> {};

TEST_P(SensorMemoryMapTest, MapSupportAndWindow) {
  const SensorCase& c = GetParam();
  DeviceDescriptor d;
  BuildDeviceDescriptor(10, 300, d);
  SensorMemoryMap(d, c.sensorType, c.imageVersion);
  EXPECT_EQ(d.supported, c.supported);
  EXPECT_EQ(d.flashStart, c.newMap ? 0x8000 : 0x1100);
  EXPECT_EQ(d.flashEnd, 0xF9FF);
  EXPECT_EQ(d.infoStart, 0x1000);
  EXPECT_EQ(d.infoSegments, c.newMap ? 3 : 2);
  EXPECT_EQ(d.infoSegmentSize, c.newMap ? 64 : 128);
  EXPECT_EQ(d.checkVersionWindow, c.window);
  EXPECT_EQ(d.minVersion, c.minVersion);
  EXPECT_EQ(d.maxVersion, c.maxVersion);
  EXPECT_EQ(d.bootBaud, 9600);
  EXPECT_EQ(d.restartWaitMs, 1000);
}

INSTANTIATE_TEST_SUITE_P(SensorTypes, SensorMemoryMapTest,
                         ::testing::Values(SensorCase{94, 326, true, true, false, 0, 0},
                                           SensorCase{124, 326, true, false, false, 0, 0},
                                           SensorCase{127, 326, true, false, false, 0, 0},
                                           SensorCase{263, 326, true, true, false, 0, 0},
                                           SensorCase{112, 326, true, true, true, 388, 999},
                                           SensorCase{119, 326, true, true, true, 100, 999},
                                           SensorCase{120, 250, true, true, true, 250, 999},
                                           SensorCase{122, 249, true, false, true, 100, 249},
                                           SensorCase{123, 326, false, true, false, 0, 0},
                                           SensorCase{0, 326, false, true, false, 0, 0}),
                         [](const auto& info) {
                           return "Type" + std::to_string(info.param.sensorType) + "Image" +
                                  std::to_string(info.param.imageVersion);
                         });

}  // namespace
}  // namespace vesk
