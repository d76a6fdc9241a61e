// What a front end may hear from a command-line connection while it works: progress during long
// operations and the text going over the line. Both are off unless the protocol's options ask for
// them, and the defaults go on and show nothing.
#pragma once

#include <string_view>

namespace vesk {

// Phases passed to ProgressHook.
namespace progress_phase {
inline constexpr int kProgress = 1;
inline constexpr int kFinished = 2;
inline constexpr int kQueryTry = 4;
}  // namespace progress_phase

class ProtocolHooks {
 public:
  virtual ~ProtocolHooks() = default;
  // Called during long operations when ProtocolOptions::progressHookOn is set. `done` may run
  // ahead of or behind `total` by the items an operation adds on its own. False cancels.
  virtual bool ProgressHook(int /*total*/, int /*done*/, int /*phase*/) { return true; }
  // Text sent or received, as ProtocolOptions::echoMode asks.
  virtual void EchoHook(std::string_view /*text*/) {}
};

}  // namespace vesk
