// Pauses, the millisecond counter and the local time's offset from UTC.
#pragma once

#include <cstdint>
#include <ctime>

#include "serial/message_pump.h"

namespace vesk {

// Pauses below this length are plain sleeps; from it on the pump keeps the window alive.
inline constexpr uint32_t kPumpThresholdMs = 170;

// Pauses `ms` milliseconds. Always returns 0.
int32_t DelayMs(uint32_t ms, MessagePump& pump = DefaultPump());

// Like DelayMs, but ends as soon as `input` has something to read. True when it ended early.
bool DelayUntilInput(uint32_t ms, MessagePump& pump, InputSignal& input);

// Milliseconds from an arbitrary origin; wraps at 2^32.
uint32_t TickMs();

// Seconds to add to UTC to get local time at `when` (negative west of Greenwich), daylight saving
// included.
int32_t LocalTimeOffset(std::time_t when);
int32_t LocalTimeOffset();

}  // namespace vesk
