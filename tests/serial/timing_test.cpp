#include "serial/timing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace vesk {
namespace {

class RecordingPump final : public MessagePump {
 public:
  bool Wait(std::chrono::milliseconds timeout, InputSignal* input) override {
    ++calls;
    sawInput = sawInput || input != nullptr;
    return SleepingPump().Wait(timeout, input);
  }
  int calls = 0;
  bool sawInput = false;
};

TEST(DelayMs, ShortPausesAreSleepsAndLongOnesPump) {
  RecordingPump pump;
  EXPECT_EQ(DelayMs(169, pump), 0);
  EXPECT_EQ(pump.calls, 0);
  const uint32_t start = TickMs();
  EXPECT_EQ(DelayMs(170, pump), 0);
  EXPECT_GE(pump.calls, 1);
  EXPECT_GE(TickMs() - start, 170u);
}

class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) {
      saved_ = old;
      hadZone_ = true;
    }
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (hadZone_) {
      setenv("TZ", saved_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::string saved_;
  bool hadZone_ = false;
};

std::time_t Utc(int year, int month, int day) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = 12;
  return timegm(&t);
}

TEST(LocalTimeOffset, FollowsTheZoneAndDaylightSaving) {
  {
    ScopedTimeZone pacific("PST8PDT,M3.2.0,M11.1.0");
    EXPECT_EQ(LocalTimeOffset(Utc(2015, 1, 15)), -28800);
    EXPECT_EQ(LocalTimeOffset(Utc(2015, 7, 15)), -25200);
  }
  {
    ScopedTimeZone utc("UTC0");
    EXPECT_EQ(LocalTimeOffset(Utc(2015, 7, 15)), 0);
  }
  {
    ScopedTimeZone india("IST-5:30");
    EXPECT_EQ(LocalTimeOffset(Utc(2015, 7, 15)), 19800);
  }
}

}  // namespace
}  // namespace vesk
