// The flash memory of a simulated MSP430-style device, as its boot loader sees it.
//
// Layout (addresses as the boot loader takes them):
//   information memory  [infoStart, infoEnd)   erased in segments of infoSegmentSize bytes
//   main flash          [mainStart, mainEnd)   erased in 512-byte segments
//   boot loader         [0xFA00, 0xFE00)       never erased or written from outside
//   top segment         [0xFE00, 0x10000)      application tail and the interrupt vectors; only
//                                              the boot loader itself erases it
//
// Programming can only clear bits, as on real flash: a byte that was not erased first keeps the
// zeros it had. Such writes are counted (`dirtyBytes`) so a test can tell a host that skipped an
// erase from one that wrote the right data.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vesk::sim {

inline constexpr uint32_t kMainSegmentSize = 512;
inline constexpr uint32_t kBootLoaderStart = 0xFA00;
inline constexpr uint32_t kTopSegmentStart = 0xFE00;
inline constexpr uint32_t kVectorTableAddress = 0xFFE0;
inline constexpr uint32_t kResetVectorAddress = 0xFFFE;
inline constexpr uint32_t kSixteenBitTop = 0x10000;

struct FlashLayout {
  uint32_t infoStart = 0x1000;
  uint32_t infoEnd = 0x1100;
  uint32_t infoSegmentSize = 128;
  uint32_t mainStart = 0x1100;
  uint32_t mainEnd = kSixteenBitTop;
  bool extendedAddresses = false;  // the boot loader takes five-digit addresses
};

// The layout of a device whose update erases `infoSegments` segments of `infoSegmentSize` from
// `infoStart` and main flash from `flashStart` to `flashEnd`. The information memory runs to the
// main flash or to four segments, whichever comes first (the fourth segment of a 64-byte bank
// holds factory calibration and is kept by the update).
FlashLayout LayoutFor(uint32_t infoStart, uint32_t infoSegmentSize, uint32_t flashStart,
                      uint32_t flashEnd, bool extendedAddresses);

class FlashMemory {
 public:
  explicit FlashMemory(const FlashLayout& layout);

  const FlashLayout& layout() const { return layout_; }
  // One past the highest address.
  uint32_t size() const { return static_cast<uint32_t>(bytes_.size()); }

  // Fills information memory, main flash and the top segment with an old firmware's bytes (a
  // fixed pattern, never 0xFF) and gives it a reset vector, so that skipped erases show.
  void FillWithOldFirmware();

  // The erase segment that holds `address`; false when the boot loader refuses to erase there
  // (outside flash, its own area, or the top segment).
  bool SegmentOf(uint32_t address, uint32_t& start, uint32_t& length) const;
  // Erases the segment that holds `address`. False (nothing erased) when SegmentOf refuses.
  bool EraseSegmentAt(uint32_t address);
  // The boot loader's own erase of the top segment before it takes new vectors.
  void EraseTopSegment();

  // True when [address, address + length) may be programmed: inside information memory, main
  // flash or the top segment, and not in the boot loader's area.
  bool Programmable(uint32_t address, size_t length) const;
  // Programs `data` at `address` (AND with what is there). False when not Programmable.
  bool Program(uint32_t address, std::string_view data);

  uint8_t Byte(uint32_t address) const { return address < size() ? bytes_[address] : 0xFF; }
  // The little-endian word at `address`.
  uint16_t Word(uint32_t address) const;

  // Bytes programmed over bits that were not erased.
  uint64_t dirtyBytes() const { return dirtyBytes_; }
  // Start addresses of every segment erased from outside, in order.
  const std::vector<uint32_t>& erasedSegments() const { return erasedSegments_; }

 private:
  bool InInfo(uint32_t address) const;
  bool InMain(uint32_t address) const;

  FlashLayout layout_;
  std::vector<uint8_t> bytes_;
  uint64_t dirtyBytes_ = 0;
  std::vector<uint32_t> erasedSegments_;
};

// Differences between the flash and a firmware image given as compact image text (segments
// "@" + five hex digits, then words of four hex digits, high byte first) and 16 vector words.
// Empty when every image byte and every vector is in place; otherwise one line per mismatching
// segment or vector, at most `limit` lines.
std::vector<std::string> CompareWithImage(const FlashMemory& flash, std::string_view imageText,
                                          const std::array<uint32_t, 16>& vectors,
                                          size_t limit = 8);

}  // namespace vesk::sim
