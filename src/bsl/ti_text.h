// Reading a TI-Text firmware file into a FirmwareImage, and writing the image as a readable dump.
// Result codes are those of bsl/firmware_image.h.
#pragma once

#include <cstdint>
#include <string>

#include "bsl/firmware_image.h"
#include "log/vesk_log.h"

namespace vesk {

// Files larger than this cannot be a firmware image of any device the program updates (the
// largest memory map written as TI-Text stays far below it); they are refused with -100 rather
// than read into memory.
inline constexpr uint64_t kMaxTITextFileSize = 64u << 20;

// Reads the TI-Text file at `path` into `image`: the compact text, the vectors and the names,
// device type and version derived from the file name (SetNamesFromFileName). Returns 1; -100
// for a file that is not valid TI-Text; -60 out of memory; the negated errno when the file cannot
// be opened or read. On any failure `image` is left exactly as it was. `log` may be null.
int32_t BSLLoadTIFile(FirmwareImage& image, const std::string& path, VeskLog* log);

// Writes FormatTIDump of `image` to `path`. Returns 1, or the negated errno when the file cannot
// be created or written. `log` may be null.
int32_t BSLWriteTIFile(const FirmwareImage& image, const std::string& path, VeskLog* log);

}  // namespace vesk
