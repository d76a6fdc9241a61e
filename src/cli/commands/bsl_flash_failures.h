// What bsl-flash tells the user when a step fails, and the exit status that goes with it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vesk::cli {

enum class FlashStep { kConnect, kEraseInfo, kEraseFlash, kUpload };

// The short name of a step in JSON events ("connect", "erase-info", ...).
const char* FlashStepName(FlashStep step);

struct FlashFailure {
  int exitCode;
  std::string message;
};

// The exit status and the words for a negative result `code` of `step` on port `port`.
FlashFailure ExplainFlashFailure(FlashStep step, int32_t code, std::string_view port);

}  // namespace vesk::cli
