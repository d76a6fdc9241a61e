#include "models/bootloader_flash.h"

#include <algorithm>
#include <cstdio>
#include "text/hex_digits.h"

namespace vesk::sim {
namespace {

// An old firmware's bytes: varied, and never 0xFF, so that an unerased byte cannot pass for an
// erased one.
uint8_t OldByte(uint32_t address) {
  const auto b = static_cast<uint8_t>((address * 0x9Du + (address >> 8) * 0x3Bu) & 0xFF);
  return b == 0xFF ? 0x7E : b;
}

// Reads `count` hex digits at `at`; false when one is not a hex digit or the text ends.
bool ReadHex(std::string_view text, size_t at, size_t count, uint32_t& value) {
  if (at + count > text.size()) {
    return false;
  }
  value = 0;
  for (size_t i = 0; i < count; ++i) {
    const int v = HexValue(text[at + i]);
    if (v < 0) {
      return false;
    }
    value = value * 16 + static_cast<uint32_t>(v);
  }
  return true;
}

}  // namespace

FlashLayout LayoutFor(uint32_t infoStart, uint32_t infoSegmentSize, uint32_t flashStart,
                      uint32_t flashEnd, bool extendedAddresses) {
  FlashLayout layout;
  layout.infoStart = infoStart;
  layout.infoSegmentSize = infoSegmentSize == 0 ? 128 : infoSegmentSize;
  layout.infoEnd = std::min(infoStart + 4 * layout.infoSegmentSize, flashStart);
  layout.mainStart = flashStart;
  layout.mainEnd = std::max(kSixteenBitTop, (flashEnd | 0xFFFu) + 1);
  layout.extendedAddresses = extendedAddresses;
  return layout;
}

FlashMemory::FlashMemory(const FlashLayout& layout)
    : layout_(layout), bytes_(std::max(layout.mainEnd, kSixteenBitTop), 0xFF) {}

void FlashMemory::FillWithOldFirmware() {
  for (uint32_t a = 0; a < size(); ++a) {
    if (InInfo(a) || InMain(a) || a >= kTopSegmentStart) {
      bytes_[a] = OldByte(a);
    }
  }
  // The old firmware starts at the beginning of main flash.
  bytes_[kResetVectorAddress] = static_cast<uint8_t>(layout_.mainStart & 0xFF);
  bytes_[kResetVectorAddress + 1] = static_cast<uint8_t>((layout_.mainStart >> 8) & 0xFF);
}

bool FlashMemory::InInfo(uint32_t address) const {
  return address >= layout_.infoStart && address < layout_.infoEnd;
}

bool FlashMemory::InMain(uint32_t address) const {
  return address >= layout_.mainStart && address < layout_.mainEnd &&
         !(address >= kBootLoaderStart && address < kSixteenBitTop);
}

bool FlashMemory::SegmentOf(uint32_t address, uint32_t& start, uint32_t& length) const {
  if (InInfo(address)) {
    start = address - (address - layout_.infoStart) % layout_.infoSegmentSize;
    length = layout_.infoSegmentSize;
    return true;
  }
  if (InMain(address)) {
    // Segments are aligned on 512 bytes; the first may be cut short by the start of main flash.
    const uint32_t aligned = address & ~(kMainSegmentSize - 1);
    start = std::max(aligned, layout_.mainStart);
    length = aligned + kMainSegmentSize - start;
    return true;
  }
  return false;
}

bool FlashMemory::EraseSegmentAt(uint32_t address) {
  uint32_t start = 0;
  uint32_t length = 0;
  if (!SegmentOf(address, start, length)) {
    return false;
  }
  std::fill_n(bytes_.begin() + start, length, 0xFF);
  erasedSegments_.push_back(start);
  return true;
}

void FlashMemory::EraseTopSegment() {
  std::fill(bytes_.begin() + kTopSegmentStart, bytes_.begin() + kSixteenBitTop, 0xFF);
}

bool FlashMemory::Programmable(uint32_t address, size_t length) const {
  for (size_t i = 0; i < length; ++i) {
    const uint32_t a = address + static_cast<uint32_t>(i);
    const bool top = a >= kTopSegmentStart && a < kSixteenBitTop;
    if (!(InInfo(a) || InMain(a) || top)) {
      return false;
    }
  }
  return true;
}

bool FlashMemory::Program(uint32_t address, std::string_view data) {
  if (!Programmable(address, data.size())) {
    return false;
  }
  for (size_t i = 0; i < data.size(); ++i) {
    const auto wanted = static_cast<uint8_t>(data[i]);
    uint8_t& cell = bytes_[address + i];
    if ((wanted & ~cell) != 0) {
      ++dirtyBytes_;  // a bit that should become 1 was not erased
    }
    cell &= wanted;
  }
  return true;
}

uint16_t FlashMemory::Word(uint32_t address) const {
  return static_cast<uint16_t>(Byte(address) | (Byte(address + 1) << 8));
}

std::vector<std::string> CompareWithImage(const FlashMemory& flash, std::string_view imageText,
                                          const std::array<uint32_t, 16>& vectors, size_t limit) {
  std::vector<std::string> differences;
  char text[160];
  auto note = [&](const char* line) {
    if (differences.size() < limit) {
      differences.emplace_back(line);
    }
  };
  size_t at = 0;
  while (at < imageText.size()) {
    uint32_t address = 0;
    if (imageText[at] != '@' || !ReadHex(imageText, at + 1, 5, address)) {
      std::snprintf(text, sizeof text, "image text unreadable at character %zu", at);
      note(text);
      return differences;
    }
    at += 6;
    const uint32_t segment = address;
    uint32_t mismatches = 0;
    uint32_t first = 0;
    uint32_t word = 0;
    while (at < imageText.size() && imageText[at] != '@') {
      if (!ReadHex(imageText, at, 4, word)) {
        std::snprintf(text, sizeof text, "image text unreadable at character %zu", at);
        note(text);
        return differences;
      }
      at += 4;
      if (flash.Word(address) != word) {
        first = mismatches == 0 ? address : first;
        ++mismatches;
      }
      address += 2;
    }
    if (mismatches > 0) {
      std::snprintf(text, sizeof text,
                    "segment @%05X: %u of %u words differ, first at %05X (flash %04X)", segment,
                    mismatches, (address - segment) / 2, first, flash.Word(first));
      note(text);
    }
  }
  for (uint32_t i = 0; i < 16; ++i) {
    const uint32_t address = kVectorTableAddress + 2 * i;
    if (flash.Word(address) != (vectors[i] & 0xFFFF)) {
      std::snprintf(text, sizeof text, "vector %04X: flash %04X, image %04X", address,
                    flash.Word(address), vectors[i] & 0xFFFF);
      note(text);
    }
  }
  return differences;
}

}  // namespace vesk::sim
