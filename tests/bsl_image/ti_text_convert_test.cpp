// Reading TI-Text into the compact image text: the segment, vector and completion rules, and
// every way a text can be refused.
#include "bsl/ti_text_convert.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace vesk {
namespace {

struct ConvertCase {
  const char* name;
  std::string input;
  int32_t result;
  std::string imageText;               // expected on success
  std::map<size_t, uint32_t> vectors;  // vectors other than 0xFFFF, on success
  TITextFault fault = TITextFault::kNone;
};

const char kReset[] = "@FFFE\n54 83\n";  // the reset vector 0x8354

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) {
    out += text;
  }
  return out;
}

std::vector<ConvertCase> Cases() {
  using F = TITextFault;
  return {
      {"FiveLineExample",
       "@8000\n0F 12 0E 12\n@FFFE\n54 83\nq\n",
       1,
       "@08000120F120E",
       {{15, 0x8354}}},
      {"CrLfLines",
       "@8000\r\n0F 12 0E 12\r\n@FFFE\r\n54 83\r\nq\r\n",
       1,
       "@08000120F120E",
       {{15, 0x8354}}},
      {"LowerCaseDigitsKeepTheirCase",
       "@c000\n0f 1a\n@fffe\n54 83\nq",
       1,
       "@0C0001a0f",
       {{15, 0x8354}}},
      {"SeparatorsAndJunkIgnored",
       "@8000\n0F\t12,0E;12 zz\n" + std::string(kReset) + "q",
       1,
       "@08000120F120E",
       {{15, 0x8354}}},
      {"LeadingBlanksBeforeAddress",
       "@  8000\n0F 12\n" + std::string(kReset) + "q",
       1,
       "@08000120F",
       {{15, 0x8354}}},
      // Read as "%x" reads: a prefix must not turn 0x8000 into address 0.
      {"HexPrefixedAddresses",
       "@0x8000\n0F 12\n@ +0XC000\n0E 12\n@0xFFFE\n54 83\nq",
       1,
       "@08000120F@0C000120E",
       {{15, 0x8354}}},
      {"SingleByteCompleted",
       "@8000\nAB\n" + std::string(kReset) + "q",
       1,
       "@08000FFAB",
       {{15, 0x8354}}},
      {"OneDigitCompleted",
       "@8000\nA\n" + std::string(kReset) + "q",
       1,
       "@08000FFAF",
       {{15, 0x8354}}},
      {"ThreeDigitsCompleted",
       "@8000\nAB C\n" + std::string(kReset) + "q",
       1,
       "@08000CFAB",
       {{15, 0x8354}}},
      {"OddByteAfterWholeWords",
       "@8000\n0F 12 0E\n" + std::string(kReset) + "q",
       1,
       "@08000120FFF0E",
       {{15, 0x8354}}},
      {"EmptyDataSegmentKeepsItsHeader",
       "@8000\n" + std::string(kReset) + "q",
       1,
       "@08000",
       {{15, 0x8354}}},
      {"TwentyBitAddresses",
       "@1C000\n01 02\n@010100\n03 04\n" + std::string(kReset) + "q",
       1,
       "@1C0000201@101000403",
       {{15, 0x8354}}},
      {"HighestAddress",
       "@FFFFF\n01 02\n" + std::string(kReset) + "q",
       1,
       "@FFFFF0201",
       {{15, 0x8354}}},
      {"SegmentsKeepFileOrder",
       "@9000\n01 02\n" + std::string(kReset) + "@8000\n03 04\nq",
       1,
       "@090000201@080000403",
       {{15, 0x8354}}},
      {"ProtectedRegionSkipped",
       "@F9FF\n01\n@FA00\n11 22\n@FC00\n33 44\n@FDFE\n55 66\n@FDFF\n77\n" + std::string(kReset) +
           "q",
       1,
       "@0F9FFFF01@0FDFFFF77",
       {{15, 0x8354}}},
      {"WholeVectorTable",
       "@FFE0\nFF 3F FF 3F 00 80 28 81 FF 3F 22 81 22 81 22 81\n"
       "22 81 22 81 22 81 FF 3F 22 81 DC 80 22 81 54 83\nq",
       1,
       "",
       {{0, 0x3FFF},
        {1, 0x3FFF},
        {2, 0x8000},
        {3, 0x8128},
        {4, 0x3FFF},
        {5, 0x8122},
        {6, 0x8122},
        {7, 0x8122},
        {8, 0x8122},
        {9, 0x8122},
        {10, 0x8122},
        {11, 0x3FFF},
        {12, 0x8122},
        {13, 0x80DC},
        {14, 0x8122},
        {15, 0x8354}}},
      {"SeveralVectorSegments",
       "@FFE4\n00 80\n@FFF0\n34 12 78 56\n" + std::string(kReset) + "q",
       1,
       "",
       {{2, 0x8000}, {8, 0x1234}, {9, 0x5678}, {15, 0x8354}}},
      {"NothingAfterTheQIsRead",
       "@8000\n01 02\n" + std::string(kReset) + "q\n12 34\n@9000\n05 06\n",
       1,
       "@080000201",
       {{15, 0x8354}}},
      // A file this small converts to more text than it holds; it must still load whole.
      {"OutputLargerThanFile",
       "@0\nA\n@2\nB\n@FFFE\n5483\nq",
       1,
       "@00000FFAF@00002FFBF",
       {{15, 0x8354}}},

      {"Empty", "", -100, "", {}, F::kNoStartOrEnd},
      {"NoAtAtFirstByte",
       " @8000\n01 02\n" + std::string(kReset) + "q",
       -100,
       "",
       {},
       F::kNoStartOrEnd},
      {"ByteOrderMark",
       "\xEF\xBB\xBF@8000\n01 02\n" + std::string(kReset) + "q",
       -100,
       "",
       {},
       F::kNoStartOrEnd},
      {"NoQ", "@8000\n01 02\n" + std::string(kReset), -100, "", {}, F::kNoStartOrEnd},
      {"NoAddressDigits", "@\n01 02\n" + std::string(kReset) + "q", -100, "", {}, F::kBadAddress},
      {"AddressNotHex", "@xyz\n01 02\n" + std::string(kReset) + "q", -100, "", {}, F::kBadAddress},
      {"SignWithoutDigits",
       "@+\n01 02\n" + std::string(kReset) + "q",
       -100,
       "",
       {},
       F::kBadAddress},
      {"AddressAboveTwentyBits",
       "@100000\n01 02\n" + std::string(kReset) + "q",
       -100,
       "",
       {},
       F::kBadAddress},
      {"AddressWithManyDigits",
       "@FFFFFFFFFFFFFFFF8000\n01\n" + std::string(kReset) + "q",
       -100,
       "",
       {},
       F::kBadAddress},
      {"NoLineFeedAfterAddress", "@8000 01 02 @FFFE\n54 83\nq", -100, "", {}, F::kNoLineFeed},
      {"AddressLineRunsIntoQ", "@FFFE 54 83 q\n", -100, "", {}, F::kNoLineFeed},
      {"IncompleteVectorWord", "@8000\n01 02\n@FFFE\n54 8\nq", -100, "", {}, F::kIncompleteVector},
      {"VectorOddByteCount",
       "@8000\n01 02\n@FFFC\n54 83 00\nq",
       -100,
       "",
       {},
       F::kIncompleteVector},
      {"VectorWordsPastFFFE", "@FFFC\n00 80 00 80 00 80\nq", -100, "", {}, F::kVectorOverflow},
      {"SeventeenVectorsFromFFE0",
       "@FFE0\n" + Repeat("00 80 ", 17) + "\nq",
       -100,
       "",
       {},
       F::kVectorOverflow},
      {"OddVectorStart", "@FFE1\n00 80\nq", -100, "", {}, F::kVectorOverflow},
      {"NoVectorSegment", "@8000\n0F 12 0E 12\nq\n", -100, "", {}, F::kNoVectors},
      {"VectorAfterQOnly", "@8000\n0F 12\nq\n@FFFE\n54 83\n", -100, "", {}, F::kNoVectors},
  };
}

void PrintTo(const ConvertCase& c, std::ostream* os) {
  *os << c.name;
}

class ConvertTITextTest : public ::testing::TestWithParam<ConvertCase> {};

TEST_P(ConvertTITextTest, GivesTheImageOrRefuses) {
  const ConvertCase& c = GetParam();
  TITextConversion out;
  out.imageText = "stale";
  EXPECT_EQ(ConvertTIText(c.input, out), c.result);
  EXPECT_EQ(out.fault, c.fault);
  EXPECT_EQ(out.imageText, c.imageText);
  for (size_t i = 0; i < out.vectors.size(); ++i) {
    const auto expected = c.vectors.find(i);
    EXPECT_EQ(out.vectors[i], expected == c.vectors.end() ? 0xFFFFu : expected->second)
        << "vector " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ConvertTITextTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vesk
