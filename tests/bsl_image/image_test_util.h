// Helpers shared by the image tests: memory laid out from an image, the dump's layout, and
// running veskbsl-cli.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bsl/firmware_image.h"

namespace vesk::test {

// The bytes of `image` (segments and vectors) over [base, base + size), 0xFF where it has none.
std::vector<uint8_t> MemoryOf(const FirmwareImage& image, uint32_t base, size_t size);

// `text` split at line feeds (a final line feed does not start another line).
std::vector<std::string> LinesOf(const std::string& text);

// The dump lines of the embedded OMB-3 3.26 image's layout, except the data lines' contents:
// checks every line and returns "" or a description of the first difference.
std::string CheckEmbeddedDumpLayout(const std::string& dump);

// A source-tree path.
std::string SourcePath(const std::string& relative);

}  // namespace vesk::test
