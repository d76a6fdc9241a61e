// VeskLog: the one plain-text log file of the process.
//
// Every write opens the file for appending, writes one line and closes it again, so the file is
// complete after every line and other programs may read, copy or trim it at any time.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <ctime>
#include <string>

namespace vesk {

// Message levels: a line is written when its level is at most the log's level.
inline constexpr uint32_t kLogFailure = 1;   // failures and what the user was told
inline constexpr uint32_t kLogResult = 10;   // results of the main steps
inline constexpr uint32_t kLogDetail = 30;   // commands, answers, ports opened and closed
inline constexpr uint32_t kLogTraffic = 40;  // serial byte counts

class VeskLog {
 public:
  // A null path means "error.txt" in the current directory. Levels other than 0, 1, 10, 30 and
  // 40 fall back to 1. With `restart` the existing file is deleted first.
  VeskLog(const char* path, uint32_t level, bool restart);

  // Takes the level when it is one of 0, 1, 10, 30, 40; otherwise keeps the old one.
  bool SetLevel(uint32_t level);

  // The file's size in bytes, or the negated errno when it cannot be opened.
  long GetSize() const;

  // Cuts the file to about its last `bytes` bytes, starting at a line boundary.
  bool KeepTail(long bytes);

  const std::string& path() const { return path_; }
  uint32_t level() const { return level_; }

 private:
  std::string path_;
  uint32_t level_;
};

// The date text that starts every line: "9 Mar 2015 7:05:03".
std::string FormatLogDate(const std::tm& local);

// Writes one line "<date> - <source>: <message>\r\n". Returns the characters written, or 0 when
// the level filter rejected the line, the file cannot be opened or `log` is null.
int LogWrite(VeskLog* log, uint32_t level, const char* source, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
// The same for callers that wrap LogWrite in printf-style functions of their own.
int LogWriteV(VeskLog* log, uint32_t level, const char* source, const char* format, va_list args)
    __attribute__((format(printf, 4, 0)));

}  // namespace vesk
