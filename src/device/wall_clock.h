// The computer's calendar clock, as the device clock commands read it. Tests hand in a fixed
// clock; everything else uses SystemWallClock().
#pragma once

#include <ctime>
#include <optional>

namespace vesk {

class WallClock {
 public:
  virtual ~WallClock() = default;
  // Seconds since 1970-01-01 00:00:00 UTC, or nothing when the clock cannot be read.
  virtual std::optional<std::time_t> Now() const = 0;
};

// The system's clock. It holds no state.
const WallClock& SystemWallClock();

}  // namespace vesk
