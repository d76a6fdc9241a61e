// The image compiled into the program: its layout, that it is the committed firmware file, and
// that damage to it is caught when it is loaded.
#include "bsl/embedded_firmware.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "bsl/build_constants.h"
#include "bsl/ti_text.h"
#include "bsl/ti_text_convert.h"
#include "image_test_util.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

const char kFirmwareFile[] = "firmware/OMB-3 3.26.txt";

TEST(EmbeddedFirmwareTest, LoadsSoundWithTheProductsLayout) {
  FirmwareImage image;
  image.ownsImage = true;
  ASSERT_EQ(LoadEmbeddedFirmware(image), 0);
  EXPECT_EQ(image.hostStatus, 0);
  EXPECT_EQ(ImageName(image), "OMB-3 3.26");
  EXPECT_EQ(image.imageDeviceType, 10);
  EXPECT_EQ(image.imageVersion, kBuildImageVersion);
  EXPECT_FALSE(image.ownsImage);
  EXPECT_EQ(image.imageLength, 63442u);
  EXPECT_EQ(image.imageText.size(), 63442u);
  EXPECT_EQ(ImageChecksum(image.imageText), BuiltInFirmware().expectedChecksum);
  const std::array<uint32_t, 16> vectors = {0x3FFF, 0x3FFF, 0x8000, 0x8128, 0x3FFF, 0x8122,
                                            0x8122, 0x8122, 0x8122, 0x8122, 0x8122, 0x3FFF,
                                            0x8122, 0x80DC, 0x8122, 0x8354};
  EXPECT_EQ(image.vectors, vectors);

  const std::vector<ImageSegment> segments = ImageSegments(image.imageText);
  ASSERT_EQ(segments.size(), 3u);
  EXPECT_EQ(segments[0].address, 0x08000u);
  EXPECT_EQ(segments[0].bytes, 31232u);
  EXPECT_EQ(segments[1].address, 0x0FE00u);
  EXPECT_EQ(segments[1].bytes, 448u);
  EXPECT_EQ(segments[2].address, 0x0FFC0u);
  EXPECT_EQ(segments[2].bytes, 32u);
  EXPECT_TRUE(image.imageText.ends_with("AA55"));
  EXPECT_EQ(image.imageText.find_first_of("abcdef"), std::string::npos);

  // Firmware, not filler: no byte value dominates the code.
  std::array<size_t, 256> counts{};
  for (size_t i = 0; i + 2 <= segments[0].textLength; i += 2) {
    counts[std::stoi(image.imageText.substr(segments[0].textOffset + i, 2), nullptr, 16)]++;
  }
  size_t distinct = 0;
  for (size_t count : counts) {
    EXPECT_LT(count, segments[0].bytes / 4);
    distinct += count > 0;
  }
  EXPECT_GT(distinct, 200u);
}

TEST(EmbeddedFirmwareTest, IsTheCommittedFirmwareFile) {
  TITextConversion converted;
  ASSERT_EQ(ConvertTIText(test::ReadFile(test::SourcePath(kFirmwareFile)), converted), 1);
  EXPECT_EQ(converted.imageText, BuiltInFirmware().imageText);
  EXPECT_EQ(converted.vectors, BuiltInFirmware().vectors);
}

TEST(EmbeddedFirmwareTest, CommittedFileIsWhatTheImageToolWrites) {
  test::TempDir dir;
  const std::string out = dir.File("image.txt");
  const std::string command =
      "'" + std::string(VESKBSL_BIN_DIR) + "/veskbsl-make-image' '" + out + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_TRUE(test::ReadFile(out) == test::ReadFile(test::SourcePath(kFirmwareFile)))
      << "firmware/OMB-3 3.26.txt differs from veskbsl-make-image's output";
}

TEST(EmbeddedFirmwareTest, DamagedCopyIsReported) {
  const EmbeddedFirmware& original = BuiltInFirmware();
  const std::string text(original.imageText);
  struct Damage {
    const char* what;
    std::string text;
  };
  auto changed = [&](size_t at, char c) {
    std::string t = text;
    t[at] = c;
    return t;
  };
  const Damage damages[] = {
      {"first character", changed(0, '#')},
      {"one digit in the middle", changed(31000, text[31000] == '7' ? '8' : '7')},
      {"last character", changed(text.size() - 1, '4')},
      {"one character missing", text.substr(0, text.size() - 1)},
      {"one character added", text + "0"},
      {"a NUL inside", changed(100, '\0')},
      {"empty", ""},
  };
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.what);
    EmbeddedFirmware copy = original;
    copy.imageText = d.text;
    FirmwareImage image;
    EXPECT_EQ(LoadEmbeddedFirmware(image, copy), kImageDamaged);
    EXPECT_EQ(image.hostStatus, kImageDamaged);
    EXPECT_LE(image.imageLength, copy.expectedLength);
    EXPECT_EQ(image.imageLength, image.imageText.size());
  }
}

TEST(EmbeddedFirmwareTest, ReloadingReplacesALoadedFile) {
  test::TempDir dir;
  const std::string path = dir.File("KD 1.05.txt");
  test::WriteFile(path, "@8000\n0F 12\n@FFFE\n54 83\nq\n");
  FirmwareImage image;
  ASSERT_EQ(BSLLoadTIFile(image, path, nullptr), 1);
  ASSERT_EQ(LoadEmbeddedFirmware(image), 0);
  EXPECT_EQ(ImageName(image), "OMB-3 3.26");
  EXPECT_EQ(image.imageDeviceType, 10);
  EXPECT_EQ(image.imageLength, 63442u);
  EXPECT_EQ(image.vectors[2], 0x8000u);
  EXPECT_FALSE(image.ownsImage);
}

}  // namespace
}  // namespace vesk
