#include "serial/timing.h"

#include <chrono>
#include <thread>

#include "log/calendar.h"

namespace vesk {

using std::chrono::milliseconds;

bool SleepingPump::Wait(milliseconds timeout, InputSignal* input) {
  if (input != nullptr) {
    return input->WaitReadable(timeout);
  }
  std::this_thread::sleep_for(timeout);
  return false;
}

MessagePump& DefaultPump() {
  static SleepingPump pump;
  return pump;
}

uint32_t TickMs() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(std::chrono::duration_cast<milliseconds>(now).count());
}

namespace {

// Waits `ms` in pump slices; `input` (optional) ends the wait early. Tolerates a wrapped counter.
bool PumpedWait(uint32_t ms, MessagePump& pump, InputSignal* input) {
  uint32_t start = TickMs();
  uint32_t remaining = ms;
  for (;;) {
    if (pump.Wait(milliseconds(remaining), input)) {
      return true;
    }
    uint32_t tick = TickMs();
    if (tick < start) {
      start = tick;
    }
    const uint32_t elapsed = tick - start;
    if (elapsed >= ms) {
      return false;
    }
    remaining = ms - elapsed;
  }
}

}  // namespace

int32_t DelayMs(uint32_t ms, MessagePump& pump) {
  if (ms < kPumpThresholdMs) {
    std::this_thread::sleep_for(milliseconds(ms));
    return 0;
  }
  PumpedWait(ms, pump, nullptr);
  return 0;
}

bool DelayUntilInput(uint32_t ms, MessagePump& pump, InputSignal& input) {
  return PumpedWait(ms, pump, &input);
}

int32_t LocalTimeOffset(std::time_t when) {
  const std::tm local = LocalCalendar(when);
  std::tm utc = UtcCalendar(when);
  const int32_t dst = local.tm_isdst > 0 ? 3600 : 0;
  utc.tm_isdst = 0;  // read the UTC fields back as standard local time
  const std::time_t u = std::mktime(&utc);
  return static_cast<int32_t>(when - u) + dst;
}

int32_t LocalTimeOffset() {
  return LocalTimeOffset(std::time(nullptr));
}

}  // namespace vesk
