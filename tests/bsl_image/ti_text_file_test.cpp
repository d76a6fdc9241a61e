// Loading TI-Text files into an image and writing its dump: results, what changes and what must
// not, the names taken from the file name, and the log lines.
#include "bsl/ti_text.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <filesystem>
#include <functional>
#include <string>

#include "bsl/device_type_table.h"
#include "bsl/embedded_firmware.h"
#include "bsl/image_names.h"
#include "image_test_util.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

const char kFiveLines[] = "@8000\n0F 12 0E 12\n@FFFE\n54 83\nq\n";

class TITextFileTest : public ::testing::Test {
 protected:
  TITextFileTest() : log_(dir_.File("log.txt").c_str(), kLogDetail, true) {
    EXPECT_EQ(LoadEmbeddedFirmware(image_), 0);
  }

  std::string Write(const std::string& name, const std::string& content) {
    const std::string path = dir_.File(name);
    WriteFile(path, content);
    return path;
  }
  std::string Log() const { return ReadFile(log_.path()); }

  // The embedded image's state, to prove a failed load changed nothing.
  void ExpectEmbeddedImageUntouched() const {
    FirmwareImage embedded;
    LoadEmbeddedFirmware(embedded);
    EXPECT_EQ(ImageName(image_), "OMB-3 3.26");
    EXPECT_EQ(image_.imageText, embedded.imageText);
    EXPECT_EQ(image_.imageLength, embedded.imageLength);
    EXPECT_EQ(image_.vectors, embedded.vectors);
    EXPECT_EQ(image_.imageVersion, 326);
    EXPECT_EQ(image_.imageDeviceType, 10);
    EXPECT_FALSE(image_.ownsImage);
  }

  TempDir dir_;
  VeskLog log_;
  FirmwareImage image_;
};

TEST_F(TITextFileTest, LoadsTheFiveLineFileAndItsNames) {
  const std::string path = Write("RVAN 3.26.txt", kFiveLines);
  ASSERT_EQ(BSLLoadTIFile(image_, path, &log_), 1);
  EXPECT_EQ(image_.imageText, "@08000120F120E");
  EXPECT_EQ(image_.imageLength, 14u);
  for (size_t i = 0; i < 15; ++i) {
    EXPECT_EQ(image_.vectors[i], 0xFFFFu) << i;
  }
  EXPECT_EQ(image_.vectors[15], 0x8354u);
  EXPECT_TRUE(image_.ownsImage);
  EXPECT_EQ(ImageName(image_), "RVAN 3.26");
  EXPECT_EQ(image_.imageDeviceType, 3);
  EXPECT_EQ(image_.imageVersion, 326);
  EXPECT_NE(Log().find("VeskBSL: BSLLoadTIFile loaded file " + path + " ("), std::string::npos)
      << Log();
}

TEST_F(TITextFileTest, RefusedFilesChangeNothing) {
  struct Refused {
    const char* name;
    std::string content;
    bool logged;  // a file that is not TI-Text at all gets no log line
  };
  const Refused cases[] = {
      {"RVAN 3.27.txt", "@8000\n0F 12 0E 12\nq\n", true},        // no vector segment
      {"RVAN 3.28.txt", "@8000\n01\n@FFFE\n54 8\nq\n", true},    // incomplete vector word
      {"RVAN 3.29.txt", "@100000\n01\n@FFFE\n5483\nq\n", true},  // address too high
      {"RVAN 3.30.txt", "hello\n", false},
      {"RVAN 3.31.txt", "", false},
  };
  for (const Refused& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Write(c.name, c.content);
    EXPECT_EQ(BSLLoadTIFile(image_, path, &log_), kImageNotTIText);
    ExpectEmbeddedImageUntouched();
    const std::string line = "VeskBSL: BSLLoadTIFile: file " + path + " is not a valid TI-Text";
    EXPECT_EQ(Log().find(line) != std::string::npos, c.logged) << Log();
  }
}

TEST_F(TITextFileTest, FilesThatCannotBeReadGiveTheNegatedErrorNumber) {
  const std::string missing = dir_.File("missing.txt");
  EXPECT_EQ(BSLLoadTIFile(image_, missing, &log_), -ENOENT);
  EXPECT_NE(Log().find("BSLLoadTIFile got error 2 trying to open datafile " + missing),
            std::string::npos)
      << Log();

  std::filesystem::create_directory(dir_.File("folder.txt"));
  EXPECT_LT(BSLLoadTIFile(image_, dir_.File("folder.txt"), &log_), 0);
  ExpectEmbeddedImageUntouched();
}

TEST_F(TITextFileTest, OversizedFileIsRefusedWithoutReadingItAll) {
  const std::string path = dir_.File("huge.txt");
  WriteFile(path, kFiveLines);
  // A sparse file: large on paper, cheap on disk.
  ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(kMaxTITextFileSize) + 1), 0);
  EXPECT_EQ(BSLLoadTIFile(image_, path, &log_), kImageNotTIText);
  ExpectEmbeddedImageUntouched();
}

TEST_F(TITextFileTest, SecondLoadReplacesTheFirst) {
  ASSERT_EQ(BSLLoadTIFile(image_, Write("KD 1.05.txt", kFiveLines), &log_), 1);
  ASSERT_EQ(BSLLoadTIFile(image_, Write("SX 2.10.txt", "@C000\nAB\n@FFE0\n00 80\nq"), &log_), 1);
  EXPECT_EQ(image_.imageText, "@0C000FFAB");
  EXPECT_EQ(image_.vectors[0], 0x8000u);
  EXPECT_EQ(image_.vectors[15], 0xFFFFu);  // the first file's reset vector is gone
  EXPECT_EQ(image_.imageDeviceType, 9);
  EXPECT_EQ(image_.imageVersion, 210);
}

// Failures reach even the quietest log; loads and dumps are results of main steps and show only
// from level 10 on. A level that is one step too low hides the line.
TEST_F(TITextFileTest, LogLinesCarryTheirLevels) {
  const std::string good = Write("RVAN 3.26.txt", kFiveLines);
  const std::string bad = Write("RVAN 3.27.txt", "@8000\n0F 12\nq\n");
  const std::string missing = dir_.File("missing.txt");
  const std::string noFolder = dir_.File("no/folder/dump.txt");
  struct Case {
    std::function<void(VeskLog*)> action;
    std::string line;
    uint32_t level;   // the line is written at this log level
    uint32_t tooLow;  // and not at this one
  };
  const Case cases[] = {
      {[&](VeskLog* log) { BSLLoadTIFile(image_, good, log); },
       "VeskBSL: BSLLoadTIFile loaded file " + good + " (", kLogResult, kLogFailure},
      {[&](VeskLog* log) { BSLLoadTIFile(image_, bad, log); },
       "VeskBSL: BSLLoadTIFile: file " + bad + " is not a valid TI-Text file (", kLogResult,
       kLogFailure},
      {[&](VeskLog* log) { BSLLoadTIFile(image_, missing, log); },
       "VeskBSL: BSLLoadTIFile got error 2 trying to open datafile " + missing, kLogFailure, 0},
      {[&](VeskLog* log) { BSLWriteTIFile(image_, dir_.File("dump.txt"), log); },
       "VeskBSL: BSLWriteTIFile wrote file " + dir_.File("dump.txt") + " (", kLogResult,
       kLogFailure},
      {[&](VeskLog* log) { BSLWriteTIFile(image_, noFolder, log); },
       "VeskBSL: BSLWriteTIFile got error 2 trying to open datafile " + noFolder, kLogFailure, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    for (const uint32_t level : {c.level, c.tooLow}) {
      VeskLog log(dir_.File("levels.txt").c_str(), level, true);
      c.action(&log);
      EXPECT_EQ(ReadFile(log.path()).find(c.line) != std::string::npos, level == c.level)
          << "log level " << level << ":\n"
          << ReadFile(log.path());
    }
  }
}

struct NameCase {
  const char* path;
  const char* imageName;
  uint8_t deviceType;  // the image starts as row 5 (KW), so "unchanged" shows as 5
  int32_t version;
};

void PrintTo(const NameCase& c, std::ostream* os) {
  *os << c.path;
}

class NamesFromFileNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(NamesFromFileNameTest, NameDeviceTypeAndVersion) {
  const NameCase& c = GetParam();
  FirmwareImage image;
  image.imageDeviceType = 5;
  image.imageVersion = 999;
  SetNamesFromFileName(image, c.path);
  EXPECT_EQ(ImageName(image), c.imageName);
  EXPECT_EQ(image.imageDeviceType, c.deviceType);
  EXPECT_EQ(image.imageVersion, c.version);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NamesFromFileNameTest,
    ::testing::Values(
        NameCase{"/home/field/firmware/RVAN 3.26.txt", "RVAN 3.26", 3, 326},
        NameCase{"C:\\Firmware\\rvan 3-27.txt", "rvan 3.27", 3, 327},
        NameCase{"rvan_3-27.txt", "rvan_3.27", 3, 27},
        NameCase{"OMB-3 3.26.txt", "OMB-3 3.26", 5, 3326},
        NameCase{"7KA 1.10.txt", "7KA 1.10", 10, 110},
        NameCase{"/x/7kb-2-05.txt", "7kb-2.05", 10, 205},
        NameCase{"br4 2.02.txt.bak", "br4 2.02", 15, 202},
        NameCase{"Firmware.TXT", "Firmware.TXT", 5, 0}, NameCase{"KD.txt", "KD", 4, 0},
        NameCase{"-3.txt", "-3", 5, 3}, NameCase{"QUORL-VK 1.00.txt", "QUORL-VK 1.00", 5, 100},
        // Eleven digits overflow 32 bits: the largest version, never a wrapped one.
        NameCase{"SX 9999-99-99 9.99.txt", "SX 9999-99.99 9.99", 9, INT_MAX},
        NameCase{"folder/", "", 5, 0},
        // Longer than the 63 characters imageName holds: cut, so ".txt" is never reached.
        NameCase{"HYIG 1.23 with a very long description of what changed in this build.txt",
                 "HYIG 1.23 with a very long description of what changed in this ", 11, 123}));

TEST_F(TITextFileTest, DumpOfTheEmbeddedImageHasItsLayout) {
  const std::string path = dir_.File("dump.txt");
  ASSERT_EQ(BSLWriteTIFile(image_, path, &log_), 1);
  EXPECT_EQ(test::CheckEmbeddedDumpLayout(ReadFile(path)), "");
  EXPECT_NE(Log().find("VeskBSL: BSLWriteTIFile wrote file " + path + " ("), std::string::npos);
}

TEST_F(TITextFileTest, DumpRunsShortSegmentsOnIntoTheNextHeader) {
  image_.imageText = "@08000120F120E@0FE00" + std::string(36, 'A');
  image_.vectors.fill(0xFFFF);
  image_.vectors[15] = 0x18354;  // only the low 16 bits are meaningful
  const std::string path = dir_.File("short.txt");
  ASSERT_EQ(BSLWriteTIFile(image_, path, &log_), 1);
  EXPECT_EQ(ReadFile(path), "@08000\n120F120E@0FE00\n" + std::string(32, 'A') + "\nAAAA\n" +
                                "@FFE0\nFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF\n"
                                "FFFFFFFFFFFFFFFFFFFFFFFFFFFF8354\n");
}

TEST_F(TITextFileTest, DumpThatCannotBeCreatedGivesTheNegatedErrorNumber) {
  const std::string path = dir_.File("no/such/folder/dump.txt");
  EXPECT_EQ(BSLWriteTIFile(image_, path, &log_), -ENOENT);
  EXPECT_NE(Log().find("BSLWriteTIFile got error 2 trying to open datafile " + path),
            std::string::npos);
}

TEST_F(TITextFileTest, DumpToAFullDiskIsAnError) {
  if (!std::filesystem::exists("/dev/full")) {
    GTEST_SKIP() << "no /dev/full here";
  }
  EXPECT_EQ(BSLWriteTIFile(image_, "/dev/full", &log_), -ENOSPC);
}

}  // namespace
}  // namespace vesk
