#include "log/vesk_log.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <vector>

#include "log/calendar.h"

namespace vesk {
namespace {

bool IsKnownLevel(uint32_t level) {
  return level == 0 || level == 1 || level == 10 || level == 30 || level == 40;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenFile(const std::string& path, const char* mode) {
  return File(std::fopen(path.c_str(), mode));
}

}  // namespace

VeskLog::VeskLog(const char* path, uint32_t level, bool restart)
    : path_(path ? path : "error.txt"), level_(IsKnownLevel(level) ? level : kLogFailure) {
  if (restart) {
    std::remove(path_.c_str());
  }
}

bool VeskLog::SetLevel(uint32_t level) {
  if (!IsKnownLevel(level)) {
    return false;
  }
  level_ = level;
  return true;
}

long VeskLog::GetSize() const {
  File f = OpenFile(path_, "rb");
  if (!f) {
    return -static_cast<long>(errno);
  }
  if (std::fseek(f.get(), 0, SEEK_END) != 0) {
    return -static_cast<long>(errno);
  }
  return std::ftell(f.get());
}

bool VeskLog::KeepTail(long bytes) {
  File log = OpenFile(path_, "rb");
  if (!log || bytes < 0 || std::fseek(log.get(), 0, SEEK_END) != 0) {
    return false;
  }
  const long size = std::ftell(log.get());
  if (size <= bytes) {
    return true;
  }
  // Start at the first full line inside the tail: when the byte before the cut is a line feed the
  // cut already sits on a line boundary; otherwise the partial line is skipped.
  const long cut = size - bytes;
  std::fseek(log.get(), cut - 1, SEEK_SET);
  if (std::fgetc(log.get()) != '\n') {
    int c;
    while ((c = std::fgetc(log.get())) != EOF && c != '\n') {
    }
  }
  // A copy left over from an interrupted earlier cut is replaced, never appended to: appending
  // would splice old lines into the middle of the new file.
  const std::string tempPath = path_ + ".temp";
  File temp = OpenFile(tempPath, "wb");
  if (!temp) {
    return false;
  }
  std::vector<char> buffer(static_cast<size_t>(bytes));
  const size_t got = std::fread(buffer.data(), 1, buffer.size(), log.get());
  const bool written = std::fwrite(buffer.data(), 1, got, temp.get()) == got;
  log.reset();
  const bool closed = std::fclose(temp.release()) == 0;
  if (!written || !closed) {
    std::remove(tempPath.c_str());
    return false;
  }
  // rename() replaces the old file in one step, so no moment exists without a log file.
  return std::rename(tempPath.c_str(), path_.c_str()) == 0;
}

std::string FormatLogDate(const std::tm& local) {
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const int month = (local.tm_mon >= 0 && local.tm_mon < 12) ? local.tm_mon : 0;
  char text[64];
  std::snprintf(text, sizeof text, "%d %s %d %d:%02d:%02d", local.tm_mday, kMonths[month],
                local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

int LogWrite(VeskLog* log, uint32_t level, const char* source, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int written = LogWriteV(log, level, source, format, args);
  va_end(args);
  return written;
}

int LogWriteV(VeskLog* log, uint32_t level, const char* source, const char* format, va_list args) {
  if (log == nullptr || level > log->level()) {
    return 0;
  }
  File f = OpenFile(log->path(), "ab");
  if (!f) {
    return 0;
  }
  const std::tm local = LocalCalendar(std::time(nullptr));
  int total =
      std::fprintf(f.get(), "%s - %s: ", FormatLogDate(local).c_str(), source ? source : "");
  const int message = std::vfprintf(f.get(), format, args);
  const int end = std::fputs("\r\n", f.get()) >= 0 ? 2 : 0;
  if (total < 0 || message < 0) {
    return 0;
  }
  total += message + end;
  return std::fclose(f.release()) == 0 ? total : 0;
}

}  // namespace vesk
