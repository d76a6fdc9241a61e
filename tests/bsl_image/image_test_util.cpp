#include "image_test_util.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "support/temp_dir.h"
#include "text/hex_digits.h"

namespace vesk::test {
namespace {

bool IsUpperHex(const std::string& line) {
  for (char c : line) {
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::vector<uint8_t> MemoryOf(const FirmwareImage& image, uint32_t base, size_t size) {
  std::vector<uint8_t> memory(size, 0xFF);
  auto put = [&](uint64_t address, uint8_t value) {
    if (address >= base && address - base < size) {
      memory[address - base] = value;
    }
  };
  for (const ImageSegment& segment : ImageSegments(image.imageText)) {
    const char* digits = image.imageText.data() + segment.textOffset;
    for (size_t w = 0; w + 4 <= segment.textLength; w += 4) {
      const uint8_t high = static_cast<uint8_t>(HexValue(digits[w]) * 16 + HexValue(digits[w + 1]));
      const uint8_t low =
          static_cast<uint8_t>(HexValue(digits[w + 2]) * 16 + HexValue(digits[w + 3]));
      put(uint64_t{segment.address} + w / 2, low);
      put(uint64_t{segment.address} + w / 2 + 1, high);
    }
  }
  for (size_t i = 0; i < kVectorCount; ++i) {
    put(kVectorTableStart + 2 * i, static_cast<uint8_t>(image.vectors[i] & 0xFF));
    put(kVectorTableStart + 2 * i + 1, static_cast<uint8_t>((image.vectors[i] >> 8) & 0xFF));
  }
  return memory;
}

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      end = text.size();
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::string CheckEmbeddedDumpLayout(const std::string& dump) {
  const std::vector<std::string> lines = LinesOf(dump);
  struct Block {
    const char* header;
    size_t lines;
  };
  const Block blocks[] = {{"@08000", 1952}, {"@0FE00", 28}, {"@0FFC0", 2}};
  size_t at = 0;
  for (const Block& block : blocks) {
    if (at >= lines.size() || lines[at] != block.header) {
      return "line " + std::to_string(at + 1) + " should be " + block.header;
    }
    ++at;
    for (size_t i = 0; i < block.lines; ++i, ++at) {
      if (at >= lines.size() || lines[at].size() != 32 || !IsUpperHex(lines[at])) {
        return "line " + std::to_string(at + 1) + " should be 32 hex digits";
      }
    }
  }
  const std::vector<std::string> tail = {"", "@FFE0", "3FFF3FFF800081283FFF812281228122",
                                         "8122812281223FFF812280DC81228354"};
  for (const std::string& expected : tail) {
    if (at >= lines.size() || lines[at] != expected) {
      return "line " + std::to_string(at + 1) + " should be \"" + expected + "\"";
    }
    ++at;
  }
  if (at != lines.size() || dump.back() != '\n') {
    return "the dump should end after the second vector line";
  }
  if (lines[1984].substr(28) != "AA55") {
    return "the @0FFC0 segment should end in AA55";
  }
  return "";
}

std::string SourcePath(const std::string& relative) {
  return std::string(VESKBSL_SOURCE_DIR) + "/" + relative;
}

}  // namespace vesk::test
