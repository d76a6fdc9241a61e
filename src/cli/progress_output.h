// How a long subcommand shows what it is doing: a progress bar on a terminal, plain lines when
// the output goes to a file or a pipe, or one JSON object per line with --json.
//
// JSON events (each a single line on stdout):
//   {"event":"start", ...fields of the subcommand}
//   {"event":"step","step":"erase-flash","text":"Erasing the flash memory"}
//   {"event":"progress","step":"erase-flash","done":10,"total":61}
//   {"event":"step-done","step":"erase-flash","text":"..."}
//   {"event":"error","step":"upload","code":-21,"exit":8,"message":"..."}
//   {"event":"done", ...fields}
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <string_view>

namespace vesk::cli {

enum class OutputMode { kBar, kLines, kJson };

// --json wins; otherwise a bar on a terminal and lines elsewhere.
OutputMode ChooseOutputMode(bool json, bool terminal);

class ProgressOutput {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  // A terminal is redrawn at most this often, so a fast device cannot flood a slow terminal.
  static constexpr std::chrono::milliseconds kRedrawInterval{100};
  static constexpr int kBarWidth = 30;

  // Messages for people go to `out` (progress) and `err` (failures); JSON events go to `out`.
  ProgressOutput(OutputMode mode, std::ostream& out, std::ostream& err, Clock clock = {});

  OutputMode mode() const { return mode_; }

  // An event with the subcommand's own fields (JSON only; the other modes show nothing).
  void Event(std::string_view event, nlohmann::json fields = nlohmann::json::object());
  // A line for people (the other modes), or an "info" event.
  void Note(std::string_view text);

  void Step(std::string_view step, std::string_view text);
  // `done` of `total`; the bar is redrawn at a bounded rate, lines are printed every tenth.
  void Progress(std::string_view step, uint64_t done, uint64_t total);
  void StepDone(std::string_view step, std::string_view text);
  void Failure(std::string_view step, int32_t code, int exitCode, std::string_view message);

 private:
  void Emit(const nlohmann::json& event);
  void DrawBar(uint64_t done, uint64_t total);
  void EndBar();

  OutputMode mode_;
  std::ostream& out_;
  std::ostream& err_;
  Clock clock_;
  std::string stepText_;
  bool barShown_ = false;
  std::chrono::steady_clock::time_point lastDraw_{};
  int lastTenth_ = -1;
  uint64_t lastDone_ = 0;
};

}  // namespace vesk::cli
