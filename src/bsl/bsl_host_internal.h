// What the files of the boot-loader host share and nobody else needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "bsl/bsl_host.h"

namespace vesk::bsl_detail {

inline constexpr const char* kHostTag = "VeskBSL";

// Pauses of the protocol, in milliseconds.
inline constexpr uint32_t kRetryPauseMs = 175;
inline constexpr uint32_t kAnswerWaitMs = 1000;

// Pauses `ms` with the host's pump.
void Pause(VeskBSLHost& host, uint32_t ms);

// Sends `text`; a failed or short write is a negative result.
int32_t SendPlain(VeskBSLHost& host, std::string_view text);

// Reads what has arrived (at most `capacity` - 1 bytes) into `dest` and ends it with NUL.
// Returns the byte count or a read error.
int32_t ReadPlain(VeskBSLHost& host, char* dest, size_t capacity);

// Milliseconds since `start` (a TickMs value).
uint32_t SinceMs(uint32_t start);

}  // namespace vesk::bsl_detail
