// Frame building, checksums and answer judging of the boot-loader protocol.
#include "bsl/bsl_frame.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace vesk {
namespace {

std::string Frame(char letter, std::string_view payload) {
  std::array<char, kBslFrameBufferSize> buffer{};
  const size_t length = BuildBslFrame(letter, payload, buffer);
  return std::string(buffer.data(), length);
}

TEST(BslFrame, KnownFrames) {
  struct Case {
    char letter;
    std::string payload;
    std::string frame;
  };
  const Case cases[] = {
      {'g', "", "g.0095\r"},
      {'@', "8000", "@8000.0136\r"},
      {'@', "08000", "@08000.0166\r"},
      {'X', "1000", "X1000.0147\r"},
      {'V', "3FFF3FFF800081283FFF8122812281228122812281223FFF812280DC81228354",
       "V3FFF3FFF800081283FFF8122812281228122812281223FFF812280DC81228354.0E5E\r"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Frame(c.letter, c.payload), c.frame) << c.frame;
  }
}

TEST(BslFrame, ChecksumWrapsAt65535NotAt65536) {
  // 'W' (87) + '.' (46) + 932 * 'F' (70) + 'Q' + 'Q' (81 each) = 65535.
  std::string payload(932, 'F');
  payload += "QQ";
  EXPECT_EQ(BslChecksum('W', payload), 0);
  payload.back() = 'R';  // 65536
  EXPECT_EQ(BslChecksum('W', payload), 1);
}

TEST(BslFrame, PayloadLimitAndBufferBound) {
  const std::string full(kBslMaxPayload, '0');
  EXPECT_EQ(Frame('W', full).size(), kBslMaxPayload + kBslFrameOverhead);
  EXPECT_EQ(Frame('W', full + "0"), "");
  std::array<char, 8> tooSmall{};
  EXPECT_EQ(BuildBslFrame('X', "1000", tooSmall), 0u);
}

TEST(BslFrame, HexPayloads) {
  std::array<char, kBslFrameBufferSize> buffer{};
  auto format = [&](std::vector<uint32_t> numbers, bool five) {
    const size_t n = FormatHexPayload(numbers, five, buffer);
    return std::string(buffer.data(), n);
  };
  EXPECT_EQ(format({0x8000, 0x3FFF}, false), "80003FFF");
  EXPECT_EQ(format({0x8000}, true), "08000");
  EXPECT_EQ(format({0x1FE00}, true), "1FE00");
  // A number that does not fit its digits would shift every following digit.
  EXPECT_EQ(format({0x10000}, false), "");
  EXPECT_EQ(format({0x100000}, true), "");
  // 128 numbers of four digits fill the largest payload; of five digits they would not fit.
  EXPECT_EQ(format(std::vector<uint32_t>(128, 0xABCD), false).size(), 512u);
  EXPECT_EQ(format(std::vector<uint32_t>(128, 0xABCD), true), "");
}

TEST(BslFrame, AnswerJudgement) {
  constexpr int32_t kLineError = -21;
  struct Case {
    std::string answer;
    int32_t command;     // the rules of "g", "@", "W"
    int32_t commandHex;  // the rules of "X", "V"
  };
  const Case cases[] = {
      {"+\r", 2, 2},
      {"+25+\r", 5, 5},
      {"$+", 2, 2},  // the acknowledgement in second place
      {"?\r", -1, -1},
      {"-\r", -1, -1},
      {"\r", -1, kLineError},
      {"ERROR\r\n>", kLineError, -1},
      {"e", 1, 1},
      {";x", kLineError, 2},
      {"\xC3", 1, kLineError},
      {"\xF0\xF0", 2, kLineError},
      {"$", kLineError, kLineError},
      {std::string("\0+", 2), 2, 2},
      {std::string("x\0ERROR", 7), kLineError, kLineError},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClassifyBslAnswer(BslAnswerRules::kCommand, c.answer, kLineError), c.command)
        << testing::PrintToString(c.answer);
    EXPECT_EQ(ClassifyBslAnswer(BslAnswerRules::kCommandHex, c.answer, kLineError), c.commandHex)
        << testing::PrintToString(c.answer);
  }
  // Without a transport error an answer nobody recognises is a refusal.
  EXPECT_EQ(ClassifyBslAnswer(BslAnswerRules::kCommand, "$", 0), -1);
}

TEST(BslFrame, VersionAnswer) {
  int32_t version = 0;
  EXPECT_TRUE(ParseBslVersion("+21+\r", version));
  EXPECT_EQ(version, 21);
  EXPECT_TRUE(ParseBslVersion("+ 7+", version));
  EXPECT_EQ(version, 7);
  EXPECT_FALSE(ParseBslVersion("+\r", version));
  EXPECT_FALSE(ParseBslVersion("21", version));
  EXPECT_FALSE(ParseBslVersion("", version));
  EXPECT_EQ(version, 7);
}

}  // namespace
}  // namespace vesk
