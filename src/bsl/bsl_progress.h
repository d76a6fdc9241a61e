// How the boot-loader host tells its owner how far erasing and uploading have come.
#pragma once

#include <cstdint>

namespace vesk {

// Phases of a progress report.
inline constexpr int kProgressWorking = 1;
inline constexpr int kProgressDone = 2;
// Kinds of work.
inline constexpr char kProgressErase = 'X';
inline constexpr char kProgressUpload = 'W';

class BslProgress {
 public:
  virtual ~BslProgress() = default;
  // `done` of `total` units of `kind` work; `phase` is kProgressWorking while working and
  // kProgressDone once at the end. Returning false asks the host to stop (the operation then
  // ends with -40). Runs on the host's thread, between two exchanges with the device.
  virtual bool ReportProgress(uint32_t total, uint32_t done, int phase, char kind) = 0;
};

// The progress of an owner that does not want to know.
class NoProgress final : public BslProgress {
 public:
  bool ReportProgress(uint32_t, uint32_t, int, char) override { return true; }
};

}  // namespace vesk
