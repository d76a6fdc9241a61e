#include "log/vesk_log.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <regex>
#include <string>

#include "support/temp_dir.h"

namespace vesk {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

struct LevelCase {
  uint32_t logLevel;
  uint32_t lineLevel;
  bool written;
};

class LogLevelFilter : public testing::TestWithParam<LevelCase> {};

TEST_P(LogLevelFilter, WritesOnlyLinesAtOrBelowTheLogLevel) {
  TempDir dir;
  VeskLog log(dir.File("log.txt").c_str(), GetParam().logLevel, false);
  const int written = LogWrite(&log, GetParam().lineLevel, "VeskBSL", "line");
  EXPECT_EQ(written > 0, GetParam().written);
  EXPECT_EQ(ReadFile(log.path()).empty(), !GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(Levels, LogLevelFilter,
                         testing::Values(LevelCase{1, 30, false}, LevelCase{1, 1, true},
                                         LevelCase{30, 40, false}, LevelCase{30, 10, true},
                                         LevelCase{30, 30, true}, LevelCase{40, 40, true},
                                         LevelCase{0, 1, false}));

TEST(VeskLog, UnknownLevelsFallBackOrAreRefused) {
  TempDir dir;
  VeskLog fallback(dir.File("a.txt").c_str(), 20, false);
  EXPECT_EQ(fallback.level(), 1u);

  VeskLog log(dir.File("b.txt").c_str(), 30, false);
  EXPECT_FALSE(log.SetLevel(20));
  EXPECT_EQ(log.level(), 30u);
  EXPECT_TRUE(log.SetLevel(40));
  EXPECT_EQ(log.level(), 40u);
}

TEST(VeskLog, NullPathMeansErrorTxtInTheCurrentFolder) {
  VeskLog log(nullptr, 1, false);
  EXPECT_EQ(log.path(), "error.txt");
}

TEST(VeskLog, DateTextHasNoLeadingZerosOnDayAndHour) {
  std::tm december{};
  december.tm_mday = 1;
  december.tm_mon = 11;
  december.tm_year = 2014 - 1900;
  december.tm_hour = 23;
  december.tm_min = 59;
  december.tm_sec = 7;
  EXPECT_EQ(FormatLogDate(december), "1 Dec 2014 23:59:07");

  std::tm march{};
  march.tm_mday = 9;
  march.tm_mon = 2;
  march.tm_year = 2015 - 1900;
  march.tm_hour = 7;
  march.tm_min = 5;
  march.tm_sec = 3;
  EXPECT_EQ(FormatLogDate(march), "9 Mar 2015 7:05:03");
}

TEST(VeskLog, LineIsDateSourceMessageAndCrLf) {
  TempDir dir;
  VeskLog log(dir.File("log.txt").c_str(), 30, false);
  const int written = LogWrite(
      &log, 30, "COM3", "DSOpen successfully opened and configured comm port at %d baud", 9600);
  const std::string content = ReadFile(log.path());
  EXPECT_EQ(written, static_cast<int>(content.size()));
  EXPECT_TRUE(std::regex_match(
      content, std::regex("[1-9][0-9]? (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [0-9]{4} "
                          "[0-9]{1,2}:[0-9]{2}:[0-9]{2} - COM3: DSOpen successfully opened and "
                          "configured comm port at 9600 baud\r\n")))
      << content;
}

TEST(VeskLog, AppendsAcrossObjectsUnlessRestarted) {
  TempDir dir;
  const std::string path = dir.File("log.txt");
  {
    VeskLog first(path.c_str(), 1, false);
    LogWrite(&first, 1, "VeskBSL", "one");
  }
  VeskLog second(path.c_str(), 1, false);
  LogWrite(&second, 1, "VeskBSL", "two\nstill two");
  const std::string content = ReadFile(path);
  EXPECT_NE(content.find("VeskBSL: one\r\n"), std::string::npos);
  EXPECT_NE(content.find("VeskBSL: two\nstill two\r\n"), std::string::npos);

  VeskLog restarted(path.c_str(), 1, true);
  EXPECT_LT(restarted.GetSize(), 0);
}

// A printf-style wrapper such as the device layers put around the log.
int WrappedWrite(VeskLog* log, const char* format, ...) __attribute__((format(printf, 2, 3)));
int WrappedWrite(VeskLog* log, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int written = LogWriteV(log, 30, "COM3", format, args);
  va_end(args);
  return written;
}

TEST(VeskLog, WrappedLinesAreWrittenWholeAndFilteredLikeAnyOther) {
  TempDir dir;
  VeskLog log(dir.File("log.txt").c_str(), 30, false);
  const std::string answer(1500, 'a');  // a long device answer must not be cut
  EXPECT_GT(WrappedWrite(&log, "answer \"%s\"", answer.c_str()), 1500);
  EXPECT_NE(ReadFile(log.path()).find("COM3: answer \"" + answer + "\"\r\n"), std::string::npos);

  log.SetLevel(1);
  EXPECT_EQ(WrappedWrite(&log, "filtered %d", 1), 0);
}

TEST(VeskLog, WriteToAnUnwritablePathIsDroppedSilently) {
  TempDir dir;
  VeskLog log(dir.File("missing/folder/log.txt").c_str(), 30, false);
  EXPECT_EQ(LogWrite(&log, 1, "VeskBSL", "lost"), 0);
  EXPECT_EQ(LogWrite(nullptr, 1, "VeskBSL", "no log"), 0);
}

// A log of numbered lines of varying length, `size` bytes in all.
std::string NumberedLines(size_t size) {
  std::string text;
  for (int i = 0; text.size() < size; ++i) {
    text += "line " + std::to_string(i) + std::string(static_cast<size_t>(i % 37), '.') + "\r\n";
  }
  text.resize(size);
  return text;
}

TEST(VeskLogKeepTail, KeepsWholeLinesOfTheLastBytes) {
  TempDir dir;
  const std::string path = dir.File("log.txt");
  const std::string original = NumberedLines(100000);
  WriteFile(path, original);
  VeskLog log(path.c_str(), 1, false);

  ASSERT_TRUE(log.KeepTail(32768));

  const std::string kept = ReadFile(path);
  const size_t cut = original.size() - 32768;
  const size_t firstFullLine = original.find('\n', cut - 1) + 1;
  EXPECT_EQ(kept, original.substr(firstFullLine));
  EXPECT_EQ(log.GetSize(), static_cast<long>(kept.size()));
}

TEST(VeskLogKeepTail, CutOnALineBoundaryKeepsThatLine) {
  TempDir dir;
  const std::string path = dir.File("log.txt");
  WriteFile(path, "aaaa\r\nbbbb\r\ncccc\r\n");
  VeskLog log(path.c_str(), 1, false);
  ASSERT_TRUE(log.KeepTail(12));
  EXPECT_EQ(ReadFile(path), "bbbb\r\ncccc\r\n");
}

TEST(VeskLogKeepTail, ShortFileIsLeftAlone) {
  TempDir dir;
  const std::string path = dir.File("log.txt");
  const std::string original = NumberedLines(1000);
  WriteFile(path, original);
  VeskLog log(path.c_str(), 1, false);
  EXPECT_TRUE(log.KeepTail(32768));
  EXPECT_EQ(ReadFile(path), original);
}

TEST(VeskLogKeepTail, LeftoverTemporaryFileDoesNotLeakIntoTheLog) {
  TempDir dir;
  const std::string path = dir.File("log.txt");
  WriteFile(path + ".temp", "stale lines from an interrupted cut\r\n");
  WriteFile(path, "aaaa\r\nbbbb\r\ncccc\r\n");
  VeskLog log(path.c_str(), 1, false);
  ASSERT_TRUE(log.KeepTail(8));
  EXPECT_EQ(ReadFile(path), "cccc\r\n");
}

TEST(VeskLogKeepTail, MissingFileIsAFailure) {
  TempDir dir;
  VeskLog log(dir.File("absent.txt").c_str(), 1, false);
  EXPECT_LT(log.GetSize(), 0);
  EXPECT_FALSE(log.KeepTail(32768));
}

}  // namespace
}  // namespace vesk
