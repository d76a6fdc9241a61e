// A peer that answers by script: "when you receive X, answer Y after d ms".
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "framework/device_model.h"

namespace vesk::sim {

class ScriptedPeer final : public DeviceModel {
 public:
  struct Rule {
    std::string trigger;
    std::string answer;
    std::chrono::milliseconds delay{0};
    bool once = false;
  };

  // Rules are tried in the order they were added; the first whose trigger appears in what has
  // arrived since the last match answers, and the input up to the end of the trigger is consumed.
  ScriptedPeer& When(std::string trigger, std::string answer,
                     std::chrono::milliseconds delay = std::chrono::milliseconds(0),
                     bool once = false);

  void OnReceive(std::string_view bytes, DeviceLine& line) override;

  // What arrived and matched no rule yet.
  const std::string& unmatched() const { return pending_; }
  int answers() const { return answers_; }

 private:
  std::vector<Rule> rules_;
  std::string pending_;
  int answers_ = 0;
};

}  // namespace vesk::sim
