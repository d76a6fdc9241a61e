#include "cli/progress_output.h"

#include <algorithm>

namespace vesk::cli {

OutputMode ChooseOutputMode(bool json, bool terminal) {
  if (json) {
    return OutputMode::kJson;
  }
  return terminal ? OutputMode::kBar : OutputMode::kLines;
}

ProgressOutput::ProgressOutput(OutputMode mode, std::ostream& out, std::ostream& err, Clock clock)
    : mode_(mode), out_(out), err_(err), clock_(std::move(clock)) {
  if (!clock_) {
    clock_ = [] { return std::chrono::steady_clock::now(); };
  }
}

void ProgressOutput::Emit(const nlohmann::json& event) {
  // Port and file names are 8-bit text of any code page; never let one break the stream.
  out_ << event.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << std::endl;
}

void ProgressOutput::Event(std::string_view event, nlohmann::json fields) {
  if (mode_ != OutputMode::kJson) {
    return;
  }
  nlohmann::json line = {{"event", event}};
  line.update(fields);
  Emit(line);
}

void ProgressOutput::Note(std::string_view text) {
  if (mode_ == OutputMode::kJson) {
    Emit({{"event", "info"}, {"text", text}});
    return;
  }
  EndBar();
  out_ << text << std::endl;
}

void ProgressOutput::Step(std::string_view step, std::string_view text) {
  stepText_ = text;
  lastTenth_ = -1;
  if (mode_ == OutputMode::kJson) {
    Emit({{"event", "step"}, {"step", step}, {"text", text}});
    return;
  }
  EndBar();
  if (mode_ == OutputMode::kLines) {
    out_ << text << "..." << std::endl;
    return;
  }
  // On a terminal the bar, when one follows, is drawn over this line.
  out_ << text << "..." << std::flush;
  barShown_ = true;
  lastDraw_ = {};
}

void ProgressOutput::Progress(std::string_view step, uint64_t done, uint64_t total) {
  switch (mode_) {
    case OutputMode::kJson:
      Emit({{"event", "progress"}, {"step", step}, {"done", done}, {"total", total}});
      return;
    case OutputMode::kLines: {
      const int tenth =
          total == 0 ? 10 : static_cast<int>(std::min<uint64_t>(done, total) * 10 / total);
      if (tenth > lastTenth_) {
        lastTenth_ = tenth;
        out_ << "  " << stepText_ << ": " << tenth * 10 << "%" << std::endl;
      }
      return;
    }
    case OutputMode::kBar: {
      const auto now = clock_();
      const bool finished = done >= total;
      const bool same = barShown_ && done == lastDone_ && lastDraw_ != Clock::result_type{};
      if (same || (barShown_ && !finished && now - lastDraw_ < kRedrawInterval)) {
        return;
      }
      lastDraw_ = now;
      lastDone_ = done;
      DrawBar(done, total);
      return;
    }
  }
}

void ProgressOutput::DrawBar(uint64_t done, uint64_t total) {
  const uint64_t shown = std::min(done, total);
  const int percent = total == 0 ? 100 : static_cast<int>(shown * 100 / total);
  const int filled = total == 0 ? kBarWidth : static_cast<int>(shown * kBarWidth / total);
  std::string bar(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(kBarWidth - filled), '.');
  out_ << "\r" << stepText_ << " [" << bar << "] " << percent << "%   " << std::flush;
  barShown_ = true;
}

void ProgressOutput::EndBar() {
  if (barShown_) {
    out_ << std::endl;
    barShown_ = false;
  }
}

void ProgressOutput::StepDone(std::string_view step, std::string_view text) {
  if (mode_ == OutputMode::kJson) {
    Emit({{"event", "step-done"}, {"step", step}, {"text", text}});
    return;
  }
  EndBar();
  out_ << text << std::endl;
}

void ProgressOutput::Failure(std::string_view step, int32_t code, int exitCode,
                             std::string_view message) {
  if (mode_ == OutputMode::kJson) {
    Emit({{"event", "error"},
          {"step", step},
          {"code", code},
          {"exit", exitCode},
          {"message", message}});
    return;
  }
  EndBar();
  err_ << "veskbsl-cli: " << message << std::endl;
}

}  // namespace vesk::cli
