#include "models/scripted_peer.h"

namespace vesk::sim {

ScriptedPeer& ScriptedPeer::When(std::string trigger, std::string answer,
                                 std::chrono::milliseconds delay, bool once) {
  rules_.push_back(Rule{std::move(trigger), std::move(answer), delay, once});
  return *this;
}

void ScriptedPeer::OnReceive(std::string_view bytes, DeviceLine& line) {
  pending_.append(bytes);
  bool matched = true;
  while (matched) {
    matched = false;
    for (auto it = rules_.begin(); it != rules_.end(); ++it) {
      const size_t at = pending_.find(it->trigger);
      if (at == std::string::npos) {
        continue;
      }
      pending_.erase(0, at + it->trigger.size());
      line.SendAfter(it->delay, it->answer);
      ++answers_;
      if (it->once) {
        rules_.erase(it);
      }
      matched = true;
      break;
    }
  }
}

}  // namespace vesk::sim
