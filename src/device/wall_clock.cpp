#include "device/wall_clock.h"

namespace vesk {
namespace {

class SystemClock final : public WallClock {
 public:
  std::optional<std::time_t> Now() const override {
    const std::time_t now = std::time(nullptr);
    if (now == static_cast<std::time_t>(-1)) {
      return std::nullopt;
    }
    return now;
  }
};

}  // namespace

const WallClock& SystemWallClock() {
  static const SystemClock clock;
  return clock;
}

}  // namespace vesk
