// Reading the device's answers: each table holds the cases of one rule.
#include <gtest/gtest.h>

#include <string>

#include "device/answer_parsing.h"
#include "device/device_name.h"
#include "device/protocol_codes.h"
#include "device/protocol_device_type.h"

namespace vesk {
namespace {

struct NameCase {
  const char* text;
  int expected;
};

TEST(CheckDeviceName, AppliesItsRulesInOrder) {
  const NameCase cases[] = {
      {"LOGGER17", proto::kOk},  // seven letters and a digit
      {"a_b-c.d", proto::kOk},
      {"error", proto::kOk},  // reserved words are case-sensitive
      {"", proto::kNameEmpty},
      {"ABCDEFGHI", proto::kNameTooLong},
      {"help", proto::kNameReserved},
      {"OK", proto::kNameReserved},
      {"Unsupported", proto::kNameTooLong},  // length is checked before the word list
      {"my dev", proto::kNameBadCharacter},
      {"tab\tx", proto::kNameBadCharacter},
      {"del\x7f", proto::kNameBadCharacter},
      {"ff\xff", proto::kNameBadCharacter},
      {"a:b", proto::kNameBadPunctuation},
      {"a,b", proto::kNameBadPunctuation},
      {"x\\y", proto::kNameBadPunctuation},
      {"caf\xe9", proto::kNameHighCharacter},
      {"a b:c", proto::kNameBadCharacter},  // the first offending character decides
  };
  for (const NameCase& c : cases) {
    EXPECT_EQ(CheckDeviceName(c.text), c.expected) << "\"" << c.text << "\"";
  }
}

struct VersionCase {
  const char* answer;
  bool complete;  // a carriage return ends the line
  const char* line;
  bool parsed;
  const char* word;
  int32_t version;
};

TEST(VersionAnswer, LineAndFields) {
  const VersionCase cases[] = {
      {"\rRVAN 3.2\r>", true, "RVAN 3.2", true, "RVAN", 320},
      {"\rrvan 3.26\r>", true, "rvan 3.26", true, "rvan", 326},
      {"\r\r\rKD 1.09\r>", true, "KD 1.09", true, "KD", 109},
      {"\rXYZ 1.00\r>", true, "XYZ 1.00", true, "XYZ", 100},
      {"\rRVAN 3.\r>", true, "RVAN 3.", false, "", 0},
      {"\rRVAN\r>", true, "RVAN", false, "", 0},
      {"\rRVAN 3.26>", false, "", false, "", 0},
      // Only 20 characters are kept, the patch digit among the lost ones.
      {"\rQUORL_CALIBRATION 1.23\r>", true, "QUORL_CALIBRATION 1.", false, "", 0},
      {"\rQUORL_CAL 10.23456\r>", true, "QUORL_CAL 10.23456", true, "QUORL_CAL", 1023},
  };
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(c.answer);
    const auto line = VersionLineOf(c.answer);
    ASSERT_EQ(line.has_value(), c.complete);
    if (!line) {
      continue;
    }
    EXPECT_EQ(*line, c.line);
    const auto fields = ParseVersionLine(*line);
    ASSERT_EQ(fields.has_value(), c.parsed);
    if (fields) {
      EXPECT_EQ(TextOf(fields->word), c.word);
      EXPECT_EQ(fields->version, c.version);
    }
  }
}

TEST(ProtocolDeviceType, WordsAndNames) {
  EXPECT_EQ(ProtocolDeviceTypeOfWord("RVAN"), device_type::kRvan);
  EXPECT_EQ(ProtocolDeviceTypeOfWord("QUORL_CAL"), device_type::kCalibrator);
  EXPECT_EQ(ProtocolDeviceTypeOfWord("OVT"), device_type::kOvt9);
  EXPECT_EQ(ProtocolDeviceTypeOfWord("rvan"), device_type::kUnknown) << "callers upper-case";
  EXPECT_EQ(ProtocolDeviceTypeOfWord(""), device_type::kUnknown);
  EXPECT_STREQ(ProtocolDeviceTypeName(device_type::kCommDev), "QUORL Comm Dev");
  EXPECT_STREQ(ProtocolDeviceTypeName(99), "Unknown");
}

struct MaskCase {
  int type;
  bool verKnown;
  int32_t version;
  uint32_t mask;
};

TEST(SupportedMask, GrowsWithTheFirmwareVersion) {
  const MaskCase cases[] = {
      {device_type::kRvan, true, 104, 0x7737},       {device_type::kRvan, true, 105, 0x77B7},
      {device_type::kRvan, true, 118, 0xC7FFF7},     {device_type::kRvan, true, 199, 0xE7FFF7},
      {device_type::kRvan, true, 202, 0x5E7FFF7},    {device_type::kKeldrum, true, 108, 0x4583},
      {device_type::kKeldrum, true, 109, 0x24583},   {device_type::kRvak, true, 203, 0x74BE},
      {device_type::kRvak, true, 204, 0x474BE},      {device_type::kRva, true, 150, 0x371F},
      {device_type::kRva, false, 123, 0x331C},       {device_type::kGx2, true, 110, 0x5E3FFF7},
      {device_type::kPelmirat, true, 135, 0x1D3083}, {device_type::kUnknown, true, 100, 0x1005},
      {device_type::kKeldwave, true, 300, 0x1005},   {device_type::kGeneric, true, 300, 0x1005},
  };
  for (const MaskCase& c : cases) {
    EXPECT_EQ(SupportedMaskFor(c.type, c.verKnown, c.version), c.mask)
        << ProtocolDeviceTypeName(c.type) << " " << c.version;
  }
}

TEST(ClassifyAnswer, EchoBeforeRefusal) {
  EXPECT_EQ(ClassifyAnswer("\r600\r>", "get -w\r"), AnswerClass::kAccepted);
  EXPECT_EQ(ClassifyAnswer("get -w\r\rERROR\r>", "get -w\r"), AnswerClass::kEchoed);
  EXPECT_EQ(ClassifyAnswer("\rERROR\r>", "get -w\r"), AnswerClass::kRefused);
  EXPECT_EQ(ClassifyAnswer("\rUnsupported\r>", "get -w\r"), AnswerClass::kRefused);
  EXPECT_EQ(ClassifyAnswer("\rwhat?\r>", "get -w\r"), AnswerClass::kRefused);
  EXPECT_EQ(ClassifyAnswer("\rget -w>", "get -w\r"), AnswerClass::kAccepted)
      << "only the whole command, carriage return included, is an echo";
  EXPECT_TRUE(IsEmptyAnswer("\r\r>"));
  EXPECT_TRUE(IsEmptyAnswer("\r\r>more"));
  EXPECT_FALSE(IsEmptyAnswer("\r>"));
  EXPECT_FALSE(IsEmptyAnswer("\r0\r>"));
}

TEST(ReadNumbers, LikeScanfButNeverOverflowing) {
  EXPECT_EQ(ReadInt("\r600\r>"), 600);
  EXPECT_EQ(ReadInt("  -32\r>"), -32);
  EXPECT_EQ(ReadInt("12abc"), 12);
  EXPECT_EQ(ReadInt("abc"), std::nullopt);
  EXPECT_EQ(ReadInt("-"), std::nullopt);
  EXPECT_EQ(ReadInt("99999999999"), std::nullopt);
  EXPECT_EQ(ReadInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(ReadIntAfterCR("7\r600\r>"), 600);
  EXPECT_EQ(ReadIntAfterCR("600"), 600) << "without a carriage return the start is read";
  EXPECT_EQ(ReadHex(" 1A2B\r"), 0x1A2Bu);
  EXPECT_EQ(ReadHex("0x10"), 0x10u);
  EXPECT_EQ(ReadHex("zz"), std::nullopt);
  EXPECT_EQ(ReadUnsigned("-1"), 0xFFFFFFFFu) << "%u wraps a minus sign around";
  EXPECT_EQ(ReadDouble(" -122.54321\r>"), -122.54321);
  EXPECT_EQ(ReadDouble("nan"), std::nullopt);
  EXPECT_EQ(ReadDouble("\r>"), std::nullopt);
}

struct TextCase {
  const char* answer;
  size_t max;
  int code;
  const char* text;
};

TEST(ReadText, StopsAtTheLineEndAndKnowsAnEmptyAnswer) {
  const TextCase cases[] = {
      {"\rNorth Ridge\r>", 25, proto::kOk, "North Ridge"},
      {"\rABCDEFGHIJ\r>", 8, proto::kOk, "ABCDEFGH"},
      {"\r>", 25, proto::kEmptyAnswer, ""},
      {"\r\r>", 25, proto::kEmptyAnswer, ""},
      {"", 25, proto::kBadAnswer, ""},
      {"   ", 25, proto::kBadAnswer, ""},
  };
  for (const TextCase& c : cases) {
    const TextRead read = ReadText(c.answer, c.max);
    EXPECT_EQ(read.code, c.code) << c.answer;
    EXPECT_EQ(read.text, c.text) << c.answer;
  }
  // The serial number keeps its spaces and is read from after the first carriage return.
  EXPECT_EQ(ReadLineAfterCR("\rSN 12 34\r>", 15).text, "SN 12 34");
  EXPECT_EQ(ReadLineAfterCR("\r\r>", 15).code, proto::kBadAnswer);
  EXPECT_EQ(ReadLineAfterCR("\r>", 15).code, proto::kEmptyAnswer);
  EXPECT_EQ(ReadWord("\rLOGGER17X\r>", 8), "LOGGER17");
}

TEST(ReadFiveInts, CountsWhatWasReadAndClampsTo255) {
  FiveInts read = ReadFiveInts("\r10 20 30 40 50\r>");
  EXPECT_EQ(read.count, 5);
  EXPECT_EQ(read.values, (Ports{10, 20, 30, 40, 50}));
  read = ReadFiveInts("\r-1 256 3\r>");
  EXPECT_EQ(read.count, 3);
  EXPECT_EQ(read.values[0], 255);
  EXPECT_EQ(read.values[1], 255);
  EXPECT_EQ(read.values[2], 3);
}

TEST(RadioValue, ReadTwoCharactersAfterTheOk) {
  EXPECT_STREQ(RadioValueOf("\rOK\r3\r>"), "3\r>");
  EXPECT_STREQ(RadioValueOf("2A13\r>"), "2A13\r>");
  EXPECT_STREQ(RadioValueOf("OK"), "") << "never past the end of the answer";
  EXPECT_TRUE(IsFourHexDigits("2a13"));
  EXPECT_FALSE(IsFourHexDigits("2A1"));
  EXPECT_FALSE(IsFourHexDigits("2A1G"));
}

TEST(ShowAnswer, ReadsEveryFieldAtItsOffset) {
  const ShowAnswer show =
      ParseShowAnswer("\rID: OLDRVA\rVersion: 1.23\rRadio: 1\rWake: 900\rResets: 3\r>");
  EXPECT_TRUE(show.hasId);
  EXPECT_EQ(show.name, "OLDRVA");
  EXPECT_EQ(show.versionText, "1.23");
  EXPECT_EQ(show.version, 123);
  EXPECT_EQ(show.rmode, 1);
  EXPECT_EQ(show.wake, 900);
  EXPECT_EQ(show.resets, 3);

  const ShowAnswer broken = ParseShowAnswer("\rVersion: 1.2x\rWake: \r>ID:");
  EXPECT_TRUE(broken.hasId);
  EXPECT_TRUE(broken.name.empty()) << "\"ID:\" at the very end has no name after it";
  EXPECT_EQ(broken.versionText, "1.2x");
  EXPECT_EQ(broken.version, std::nullopt);
  EXPECT_EQ(broken.wake, std::nullopt);
  EXPECT_EQ(broken.rmode, std::nullopt);
}

TEST(ClockAnswer, CalendarFieldsAndSeconds) {
  auto fields = ReadClockFields("\rDate\\Time: 2016-5-1 12:03:04\r>");
  ASSERT_TRUE(fields);
  EXPECT_EQ(fields->year, 2016);
  EXPECT_EQ(fields->month, 5);
  EXPECT_EQ(fields->day, 1);
  EXPECT_EQ(fields->hour, 12);
  EXPECT_EQ(fields->minute, 3);
  EXPECT_EQ(fields->second, 4);
  fields = ReadClockFields("\r2010-1-1 0:0:0\r>");
  ASSERT_TRUE(fields) << "without the label the answer is read from its start";
  EXPECT_EQ(fields->year, 2010);
  EXPECT_FALSE(ReadClockFields("\rDate\\Time: 2016-5-1 12:03\r>"));

  EXPECT_EQ(ReadClockSeconds("\r315619200\r>"), 315619200);
  EXPECT_EQ(ReadClockSeconds("\r4294967295\r>"), -1) << "read as a signed 32-bit count";
  EXPECT_EQ(ReadClockSeconds("\rnone\r>"), std::nullopt);
}

TEST(EraseConfirmation, MapsAnswersAndFailures) {
  EXPECT_EQ(EraseConfirmationResult(20, "\rData erased OK\r>"), proto::kOk);
  EXPECT_EQ(EraseConfirmationResult(20, "\rDataFlash FAIL\r>"), proto::kDataFlashBroken);
  EXPECT_EQ(EraseConfirmationResult(20, "\rsomething else\r>"), proto::kBadAnswer);
  for (int rc : {proto::kRefused, proto::kAttemptSilent, proto::kNoAnswer}) {
    EXPECT_EQ(EraseConfirmationResult(rc, ""), proto::kDataFlashBroken) << rc;
  }
  EXPECT_EQ(EraseConfirmationResult(proto::kEchoed, ""), proto::kEchoed);
  EXPECT_EQ(EraseConfirmationResult(-5, ""), -5);
}

TEST(SettingValues, TraitCheckSumKeyAndBaud) {
  EXPECT_EQ(TraitFromReported(254), 0x4001u);
  EXPECT_EQ(ReportedFromTrait(0x4001), 254);
  EXPECT_EQ(TraitFromReported(246), 0x4009u);
  EXPECT_EQ(AdcCheckSum({10, 20, 30, 40, 50}, {1, 2, 3, 4, 5}), 165u);
  EXPECT_EQ(AdcCheckSum({200, 200, 0, 0, 0}, {0, 0, 0, 0, 0}), 144u) << "modulo 256";
  EXPECT_TRUE(IsAuthKey("0123456789abcdef0123456789ABCDEF"));
  EXPECT_TRUE(IsAuthKey("0123456789abcdef0123456789ABCDEFextra"));
  EXPECT_FALSE(IsAuthKey("0123456789abcdef0123456789ABCDE"));
  EXPECT_FALSE(IsAuthKey("0123456789abcdef0123456789ABCDEG"));
  EXPECT_EQ(BaudRateCode(9600), 0);
  EXPECT_EQ(BaudRateCode(460800), 6);
  EXPECT_EQ(BaudRateCode(1200), std::nullopt);
}

}  // namespace
}  // namespace vesk
