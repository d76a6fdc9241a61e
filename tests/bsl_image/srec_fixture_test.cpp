// TI-Text written by SRecord's srec_cat loads to exactly the memory srec_cat reads from it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bsl/ti_text.h"
#include "image_test_util.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

struct Fixture {
  const char* name;  // tests/fixtures/ti_text/<name>.txt and .bin
  uint32_t base;     // the address of the .bin file's first byte
};

void PrintTo(const Fixture& f, std::ostream* os) {
  *os << f.name;
}

class SrecFixtureTest : public ::testing::TestWithParam<Fixture> {};

TEST_P(SrecFixtureTest, LoadsToSrecCatsMemoryImage) {
  const Fixture& f = GetParam();
  const std::string folder = test::SourcePath("tests/fixtures/ti_text/");
  const std::string reference = test::ReadFile(folder + f.name + ".bin");
  ASSERT_FALSE(reference.empty()) << "missing " << f.name << ".bin";

  FirmwareImage image;
  ASSERT_EQ(BSLLoadTIFile(image, folder + f.name + ".txt", nullptr), 1);
  const std::vector<uint8_t> memory = test::MemoryOf(image, f.base, reference.size());
  for (size_t i = 0; i < reference.size(); ++i) {
    ASSERT_EQ(memory[i], static_cast<uint8_t>(reference[i]))
        << "at address 0x" << std::hex << f.base + i;
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, SrecFixtureTest,
                         ::testing::Values(Fixture{"mixed_segments", 0xF000},
                                           Fixture{"full_vectors_crlf", 0xE000},
                                           Fixture{"skipped_region", 0xF900}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vesk
