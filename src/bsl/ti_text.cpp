#include "bsl/ti_text.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>

#include "bsl/image_names.h"
#include "bsl/ti_text_convert.h"
#include "serial/timing.h"

namespace vesk {
namespace {

constexpr const char kSource[] = "VeskBSL";

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

int32_t ElapsedMs(uint32_t start) {
  return static_cast<int32_t>(TickMs() - start);
}

// Reads the whole file into `content`. Returns 1, -100 when it is too large to be an image, or
// the negated errno.
int32_t ReadWholeFile(std::FILE* file, std::string& content) {
  char chunk[64 * 1024];
  for (;;) {
    const size_t got = std::fread(chunk, 1, sizeof chunk, file);
    if (content.size() + got > kMaxTITextFileSize) {
      return kImageNotTIText;
    }
    content.append(chunk, got);
    if (got < sizeof chunk) {
      break;
    }
  }
  if (std::ferror(file)) {
    return errno != 0 ? -errno : -EIO;
  }
  return 1;
}

}  // namespace

int32_t BSLLoadTIFile(FirmwareImage& image, const std::string& path, VeskLog* log) {
  const uint32_t start = TickMs();
  errno = 0;
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    const int error = errno != 0 ? errno : EIO;
    LogWrite(log, kLogFailure, kSource, "BSLLoadTIFile got error %d trying to open datafile %s",
             error, path.c_str());
    return -error;
  }
  try {
    std::string content;
    errno = 0;
    const int32_t read = ReadWholeFile(file.get(), content);
    file.reset();
    if (read == kImageNotTIText) {
      LogWrite(log, kLogResult, kSource,
               "BSLLoadTIFile: file %s is not a valid TI-Text file (%d ms)", path.c_str(),
               ElapsedMs(start));
      return kImageNotTIText;
    }
    if (read < 0) {
      // A folder opens on some systems and only fails when read: it is still "cannot open".
      LogWrite(log, kLogFailure, kSource, "BSLLoadTIFile got error %d trying to open datafile %s",
               -read, path.c_str());
      return read;
    }

    TITextConversion converted;
    image.loadCursor = 0;
    const int32_t result = ConvertTIText(content, converted);
    if (result < 0) {
      if (converted.fault != TITextFault::kNoStartOrEnd) {
        LogWrite(log, kLogResult, kSource,
                 "BSLLoadTIFile: file %s is not a valid TI-Text file (%d ms)", path.c_str(),
                 ElapsedMs(start));
      }
      return kImageNotTIText;
    }

    // Everything that can fail is done: the image changes all at once from here on.
    image.imageText = std::move(converted.imageText);
    image.imageLength = static_cast<uint32_t>(image.imageText.size());
    image.loadCursor = 0;
    image.ownsImage = true;
    image.vectors = converted.vectors;
    SetNamesFromFileName(image, path);
    LogWrite(log, kLogResult, kSource, "BSLLoadTIFile loaded file %s (%d ms)", path.c_str(),
             ElapsedMs(start));
    return 1;
  } catch (const std::bad_alloc&) {
    image.loadCursor = 0;
    return kImageOutOfMemory;
  }
}

int32_t BSLWriteTIFile(const FirmwareImage& image, const std::string& path, VeskLog* log) {
  const uint32_t start = TickMs();
  std::string dump;
  try {
    dump = FormatTIDump(image.imageText, image.vectors);
  } catch (const std::bad_alloc&) {
    return kImageOutOfMemory;
  }
  errno = 0;
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    const int error = errno != 0 ? errno : EIO;
    LogWrite(log, kLogFailure, kSource, "BSLWriteTIFile got error %d trying to open datafile %s",
             error, path.c_str());
    return -error;
  }
  errno = 0;
  const size_t written = std::fwrite(dump.data(), 1, dump.size(), file.get());
  const bool closed = std::fclose(file.release()) == 0;
  if (written != dump.size() || !closed) {
    // A full disk must not pass for a saved image.
    const int error = errno != 0 ? errno : EIO;
    LogWrite(log, kLogFailure, kSource, "BSLWriteTIFile got error %d trying to open datafile %s",
             error, path.c_str());
    return -error;
  }
  LogWrite(log, kLogResult, kSource, "BSLWriteTIFile wrote file %s (%d ms)", path.c_str(),
           ElapsedMs(start));
  return 1;
}

}  // namespace vesk
