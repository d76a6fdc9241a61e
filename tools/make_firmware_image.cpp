// veskbsl-make-image: writes the OMB-3 3.26 firmware image that this updater carries, as TI-Text.
//
// The image is generated, deterministically, so that the repository holds a firmware file of the
// product's real layout without carrying the maker's binary:
//   0x08000..0x0F9FF  31232 bytes  program code, constant tables and texts
//   0x0FE00..0x0FFBF    448 bytes  factory calibration tables
//   0x0FFC0..0x0FFDF     32 bytes  boot parameters, ending in the signature word 0xAA55
//   0x0FFE0..0x0FFFF     16 words  interrupt vectors
// The words look like MSP430 code (instruction patterns with immediates and addresses pointing
// into the code) so that every tool that handles the image sees varied bytes, not one value.
//
// Usage: veskbsl-make-image OUTPUT.txt
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kCodeStart = 0x8000;
constexpr uint32_t kCodeEnd = 0xFA00;  // not included
constexpr uint32_t kCalibrationStart = 0xFE00;
constexpr uint32_t kCalibrationBytes = 448;
constexpr uint32_t kBootParametersStart = 0xFFC0;
constexpr uint32_t kBootParametersBytes = 32;

constexpr std::array<uint16_t, 16> kVectors = {0x3FFF, 0x3FFF, 0x8000, 0x8128, 0x3FFF, 0x8122,
                                               0x8122, 0x8122, 0x8122, 0x8122, 0x8122, 0x3FFF,
                                               0x8122, 0x80DC, 0x8122, 0x8354};

// xorshift32: the same sequence on every machine and compiler.
class Random {
 public:
  explicit Random(uint32_t seed) : state_(seed) {}
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  uint32_t Below(uint32_t n) { return Next() % n; }

 private:
  uint32_t state_;
};

class Memory {
 public:
  explicit Memory(uint32_t start, uint32_t size) : start_(start), bytes_(size, 0xFF) {}
  void PutWord(uint32_t address, uint16_t word) {
    bytes_.at(address - start_) = static_cast<uint8_t>(word & 0xFF);
    bytes_.at(address - start_ + 1) = static_cast<uint8_t>(word >> 8);
  }
  void PutText(uint32_t address, const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
      bytes_.at(address - start_ + i) = static_cast<uint8_t>(text[i]);
    }
  }
  uint32_t start() const { return start_; }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  uint32_t start_;
  std::vector<uint8_t> bytes_;
};

// Code words in MSP430 patterns: register moves, immediates, calls and branches into the code,
// conditional jumps, returns.
void FillCode(Memory& code, uint32_t from, uint32_t to, Random& random) {
  uint32_t address = from;
  auto put = [&](uint16_t word) {
    if (address + 1 < to) {
      code.PutWord(address, word);
      address += 2;
    }
  };
  while (address + 1 < to) {
    const uint32_t reg = random.Below(12) + 4;
    const uint32_t reg2 = random.Below(12) + 4;
    switch (random.Below(12)) {
      case 0:  // call #target
        put(0x12B0);
        put(static_cast<uint16_t>(kCodeStart + 2 * random.Below(0x3000)));
        break;
      case 1:  // mov #imm, Rn
        put(static_cast<uint16_t>(0x4030 | reg));
        put(static_cast<uint16_t>(random.Next()));
        break;
      case 2:  // mov.b &abs, Rn
        put(static_cast<uint16_t>(0x4250 | reg));
        put(static_cast<uint16_t>(0x0200 + random.Below(0x400)));
        break;
      case 3:  // mov Rs, Rd
        put(static_cast<uint16_t>(0x4000 | (reg << 8) | reg2));
        break;
      case 4:  // add / sub / cmp Rs, Rd
        put(static_cast<uint16_t>((0x5000 + 0x3000 * random.Below(2)) | (reg << 8) | reg2));
        break;
      case 5:  // conditional jump
        put(static_cast<uint16_t>(0x2000 | (random.Below(6) << 10) | random.Below(0x400)));
        break;
      case 6:  // push / pop
        put(static_cast<uint16_t>(0x1200 | reg));
        put(static_cast<uint16_t>(0x4130 | reg));
        break;
      case 7:  // bis / bic #imm, &abs
        put(static_cast<uint16_t>(0xD0B2 + 0x1000 * random.Below(2)));
        put(static_cast<uint16_t>(1u << random.Below(16)));
        put(static_cast<uint16_t>(0x0020 + 2 * random.Below(0x70)));
        break;
      case 8:  // ret
        put(0x4130);
        break;
      case 9:  // nop, clrc, setc
        put(static_cast<uint16_t>(0x4303 + 0x0F00 * random.Below(2)));
        break;
      default:  // mov @Rn+, Rm / indexed
        put(static_cast<uint16_t>(0x4430 | (reg << 8) | reg2));
        put(static_cast<uint16_t>(random.Below(0x100)));
        break;
    }
  }
}

Memory MakeCode() {
  Memory code(kCodeStart, kCodeEnd - kCodeStart);
  Random random(0x0326A55Au);
  FillCode(code, kCodeStart, 0xE800, random);
  // Interrupt handlers the vectors point at: a shared "reti", the timer and the reset entry.
  code.PutWord(0x8000, 0x4031);  // mov #stack, SP
  code.PutWord(0x8002, 0x0A00);
  code.PutWord(0x80DC, 0x1300);
  code.PutWord(0x8122, 0x1300);  // reti
  code.PutWord(0x8128, 0x1300);
  code.PutWord(0x8354, 0x4031);  // reset: mov #stack, SP
  code.PutWord(0x8356, 0x0A00);
  code.PutWord(0x8358, 0x40B2);  // mov #WDTPW|WDTHOLD, &WDTCTL
  code.PutWord(0x835A, 0x5A80);
  code.PutWord(0x835C, 0x0120);
  // Texts the firmware answers with.
  const char* texts[] = {"OMB-3 3.26",
                         "OMB-3 Rain Gauge",
                         "Norquil Devices, Inc",
                         "13NORQUIL OMB-3 326",
                         "VeskBSL",
                         "ERROR",
                         "OK",
                         "mm/h",
                         "tips"};
  uint32_t at = 0xE800;
  for (const char* text : texts) {
    const std::string s(text);
    code.PutText(at, s + '\0');
    at += static_cast<uint32_t>(s.size() + 2) & ~1u;
  }
  // Lookup tables: a sine-like curve and a CRC table, then more code up to the end.
  for (uint32_t i = 0; i < 256; ++i) {
    uint16_t crc = static_cast<uint16_t>(i << 8);
    for (int b = 0; b < 8; ++b) {
      crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    code.PutWord(0xE900 + 2 * i, crc);
  }
  for (uint32_t i = 0; i < 128; ++i) {
    const uint32_t x = i * (127 - i);
    code.PutWord(0xEB00 + 2 * i, static_cast<uint16_t>(x * 16));
  }
  FillCode(code, 0xEC00, kCodeEnd, random);
  return code;
}

Memory MakeCalibration() {
  Memory table(kCalibrationStart, kCalibrationBytes);
  Random random(0x0094FE00u);
  for (uint32_t i = 0; i < kCalibrationBytes; i += 2) {
    // Slowly rising counts with sensor noise, as a tipping-bucket calibration sweep would give.
    table.PutWord(kCalibrationStart + i, static_cast<uint16_t>(0x0800 + i * 9 + random.Below(40)));
  }
  return table;
}

Memory MakeBootParameters() {
  Memory params(kBootParametersStart, kBootParametersBytes);
  const uint16_t words[] = {0x0326, 0x005E, 0x8000, 0xF9FF, 0x1000, 0x0003, 0x0040, 0x2580,
                            0x4F4D, 0x4233, 0x0000, 0x1D4C, 0x7E31, 0x0102, 0xC0DE, 0xAA55};
  for (uint32_t i = 0; i < 16; ++i) {
    params.PutWord(kBootParametersStart + 2 * i, words[i]);
  }
  return params;
}

// One TI-Text segment: the address line, then 16 bytes to a line, upper-case, blank-separated.
void WriteSegment(std::FILE* out, uint32_t address, const std::vector<uint8_t>& bytes) {
  std::fprintf(out, "@%04X\n", address);
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::fprintf(out, "%02X%s", bytes[i], (i % 16 == 15 || i + 1 == bytes.size()) ? "\n" : " ");
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: veskbsl-make-image OUTPUT.txt\n");
    return 2;
  }
  std::FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  const Memory code = MakeCode();
  const Memory calibration = MakeCalibration();
  const Memory boot = MakeBootParameters();
  WriteSegment(out, code.start(), code.bytes());
  WriteSegment(out, calibration.start(), calibration.bytes());
  WriteSegment(out, boot.start(), boot.bytes());
  std::vector<uint8_t> vectorBytes;
  for (uint16_t v : kVectors) {
    vectorBytes.push_back(static_cast<uint8_t>(v & 0xFF));
    vectorBytes.push_back(static_cast<uint8_t>(v >> 8));
  }
  WriteSegment(out, 0xFFE0, vectorBytes);
  std::fprintf(out, "q\n");
  if (std::fclose(out) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
