// The simulated device's flash: which segment an erase hits, and programming that only clears bits.
#include "models/bootloader_flash.h"

#include <gtest/gtest.h>

namespace vesk::sim {
namespace {

using namespace std::string_view_literals;

// A 16-bit device: two 128-byte information segments, main flash from 0x1100.
FlashLayout SixteenBit() {
  return LayoutFor(0x1000, 128, 0x1100, 0xF9FF, false);
}
// A 20-bit device: four 64-byte information segments, main flash 0x2100 to 0x1FFFF.
FlashLayout TwentyBit() {
  return LayoutFor(0x1000, 64, 0x2100, 0x1FF00, true);
}

TEST(BootloaderFlash, EraseSegments) {
  struct Case {
    const char* layoutName;
    FlashLayout layout;
    uint32_t address;
    bool erasable;
    uint32_t start;
    uint32_t length;
  };
  const Case cases[] = {
      {"16", SixteenBit(), 0x1000, true, 0x1000, 128},
      {"16", SixteenBit(), 0x10FF, true, 0x1080, 128},
      {"16", SixteenBit(), 0x1100, true, 0x1100, 256},  // cut short by the start of main flash
      {"16", SixteenBit(), 0x1300, true, 0x1200, 512},
      {"16", SixteenBit(), 0xF9FF, true, 0xF800, 512},
      {"16", SixteenBit(), 0xFA00, false, 0, 0},  // the boot loader
      {"16", SixteenBit(), 0xFE00, false, 0, 0},  // vectors: only the boot loader erases them
      {"16", SixteenBit(), 0x0FFF, false, 0, 0},
      {"16", SixteenBit(), 0x10000, false, 0, 0},
      {"20", TwentyBit(), 0x10C0, true, 0x10C0, 64},
      {"20", TwentyBit(), 0x2100, true, 0x2100, 256},
      {"20", TwentyBit(), 0x10000, true, 0x10000, 512},
      {"20", TwentyBit(), 0x1FF00, true, 0x1FE00, 512},
      {"20", TwentyBit(), 0x1100, false, 0, 0},  // RAM between information memory and flash
      {"20", TwentyBit(), 0x20000, false, 0, 0},
  };
  for (const Case& c : cases) {
    const FlashMemory flash(c.layout);
    uint32_t start = 0;
    uint32_t length = 0;
    const bool erasable = flash.SegmentOf(c.address, start, length);
    EXPECT_EQ(erasable, c.erasable) << c.layoutName << " " << std::hex << c.address;
    if (erasable && c.erasable) {
      EXPECT_EQ(start, c.start) << c.layoutName << " " << std::hex << c.address;
      EXPECT_EQ(length, c.length) << c.layoutName << " " << std::hex << c.address;
    }
  }
}

TEST(BootloaderFlash, ProgrammingOnlyClearsBits) {
  FlashMemory flash(SixteenBit());
  flash.FillWithOldFirmware();
  const uint8_t old = flash.Byte(0x8000);
  ASSERT_NE(old, 0xFF);

  // Over the old firmware the new bytes come out wrong, and the model says so.
  ASSERT_TRUE(flash.Program(0x8000, "\xFF\xFF"sv));
  EXPECT_EQ(flash.Byte(0x8000), old);
  EXPECT_EQ(flash.dirtyBytes(), 2u);

  ASSERT_TRUE(flash.EraseSegmentAt(0x8000));
  ASSERT_TRUE(flash.Program(0x8000, "\x0F\x12"sv));
  EXPECT_EQ(flash.Word(0x8000), 0x120F);
  EXPECT_EQ(flash.dirtyBytes(), 2u);
  EXPECT_EQ(flash.erasedSegments(), std::vector<uint32_t>{0x8000});
}

TEST(BootloaderFlash, BootLoaderAreaCannotBeWritten) {
  FlashMemory flash(SixteenBit());
  EXPECT_FALSE(flash.Program(0xF9FE, "\x01\x02\x03"sv));  // runs into 0xFA00
  EXPECT_EQ(flash.Byte(0xF9FE), 0xFF);
  EXPECT_TRUE(flash.Program(0xFE00, "\x01\x02"sv));
  EXPECT_TRUE(flash.Program(0xFFFE, "\x00\x80"sv));
  EXPECT_FALSE(flash.Program(0xFFFE, "\x00\x80\x00"sv));  // past the top
}

TEST(BootloaderFlash, ComparesWithCompactImage) {
  FlashMemory flash(SixteenBit());
  std::array<uint32_t, 16> vectors{};
  vectors.fill(0xFFFF);
  vectors[15] = 0x8354;
  const std::string image = "@08000120F120E@0FE00ABCD";
  EXPECT_EQ(CompareWithImage(flash, image, vectors).size(), 3u);  // two segments, one vector

  flash.Program(0x8000, "\x0F\x12\x0E\x12"sv);
  flash.Program(0xFE00, "\xCD\xAB"sv);
  flash.Program(0xFFFE, "\x54\x83"sv);
  EXPECT_TRUE(CompareWithImage(flash, image, vectors).empty());

  EXPECT_EQ(CompareWithImage(flash, "@0800012", vectors).size(), 1u);  // unreadable text
}

}  // namespace
}  // namespace vesk::sim
