// The device clock, kept either as VeskSeconds or as a time of day and a date.
#include <cerrno>
#include <ctime>

#include "device/answer_parsing.h"
#include "device/protocol_codes.h"
#include "device/quorl_protocol.h"
#include "log/calendar.h"
#include "serial/timing.h"

namespace vesk {
namespace {

constexpr uint32_t kClockSetTimeoutMs = 1500;
constexpr uint32_t kClockGetTimeoutMs = 3000;

}  // namespace

int QUORL_Protocol::DeviceTime(int64_t* value, int mode) {
  if (!Can(capability::kClock)) {
    if (value != nullptr) {
      *value = -1;
    }
    return proto::kNotSupported;
  }
  const bool inSeconds = Can(capability::kClockInSeconds);
  const std::optional<std::time_t> now = clock_->Now();
  const int32_t localOffset = now ? LocalTimeOffset(*now) : LocalTimeOffset();
  Exchange ex(48);
  int result;

  if (mode == kModeSet) {
    int64_t seconds = value != nullptr ? *value : 0;
    std::tm fields{};
    if (seconds != 0) {
      const std::time_t t = static_cast<std::time_t>(seconds + kVeskEpoch);
      fields = UtcCalendar(t);
    } else {
      if (!now) {
        LogFailure("DeviceTime failed to get system time with error %d", errno);
        return proto::kBadAnswer;
      }
      seconds = localOffset + static_cast<int64_t>(*now) - kVeskEpoch;
      if (value != nullptr) {
        *value = seconds;
      }
      fields = LocalCalendar(*now);
    }
    if (!inSeconds) {
      result = AskFormatted(ex, '>', kClockSetTimeoutMs, "set -t %d:%d:%d\r", fields.tm_hour,
                            fields.tm_min, fields.tm_sec);
      if (result > 0) {
        if (ex.Has("OK") || (OldFirmware() && ex.Has("\r>"))) {
          LogDetail("DeviceTime set device time to %d:%02d:%02d (%d ms)", fields.tm_hour,
                    fields.tm_min, fields.tm_sec, Ms(ex.ms));
          result = proto::kOk;
        } else {
          result = proto::kBadAnswer;
        }
      }
      // The date follows whatever the time of day came to; its outcome is the result.
      result = AskFormatted(ex, '>', kClockSetTimeoutMs, "set -d %d-%d-%d\r", fields.tm_year + 1900,
                            fields.tm_mon + 1, fields.tm_mday);
    } else {
      result = AskFormatted(ex, '>', kClockSetTimeoutMs, "set -sec %lu\r",
                            static_cast<unsigned long>(seconds));
    }
    if (result > 0) {
      if (ex.Has("OK") || (OldFirmware() && ex.Has(">"))) {
        if (inSeconds) {
          LogDetail("DeviceTime set device veskseconds to %d (%d ms)", static_cast<int>(seconds),
                    Ms(ex.ms));
        } else {
          LogDetail("DeviceTime set device date to %d-%d-%d (%d ms)", fields.tm_year + 1900,
                    fields.tm_mon + 1, fields.tm_mday, Ms(ex.ms));
        }
        result = proto::kOk;
      } else {
        result = proto::kBadAnswer;
      }
    }
  } else {
    if (value == nullptr) {
      return proto::kMissingArgument;
    }
    const char* command = inSeconds ? "get -sec\r" : OldFirmware() ? "time\r" : "get -t\r";
    result = Ask(ex, command, '>', kClockGetTimeoutMs) > 0 ? proto::kOk : proto::kBadAnswer;
    if (result > 0 && inSeconds) {
      const std::optional<int32_t> read = ReadClockSeconds(ex.answer);
      // A count that reads as negative is no time this device can have.
      result = read && *read >= 0 ? proto::kOk : proto::kBadAnswer;
      *value = result > 0 ? *read : 0;
      LogDetail("DeviceTime found device date/timr %ld VeskSeconds (%d ms)",
                static_cast<long>(*value), Ms(ex.ms));
    } else if (result > 0) {
      const std::optional<ClockFields> f = ReadClockFields(ex.answer);
      if (!f) {
        result = proto::kBadAnswer;
      } else {
        std::tm local{};
        if (now) {
          local = LocalCalendar(*now);
        }
        std::tm fields{};
        fields.tm_year = f->year - 1900;
        fields.tm_mon = f->month - 1;
        fields.tm_mday = f->day;
        fields.tm_hour = f->hour;
        fields.tm_min = f->minute;
        fields.tm_sec = f->second;
        fields.tm_isdst = local.tm_isdst;
        const std::time_t t = std::mktime(&fields);
        if (t == static_cast<std::time_t>(-1)) {
          *value = 0;
          result = proto::kBadAnswer;
        } else {
          *value = localOffset + static_cast<int64_t>(t) - kVeskEpoch;
          LogDetail("DeviceTime found device date/time %d-%d-%d %d:%02d:%02d or %ld (%d ms)",
                    f->year, f->month, f->day, f->hour, f->minute, f->second,
                    static_cast<long>(*value), Ms(ex.ms));
        }
      }
    }
  }

  if (result < 0) {
    if (mode != kModeSet && value != nullptr) {
      *value = -1;
    }
    LogFailure("DeviceTime failed with error %d (%d ms)", result, Ms(ex.ms));
  }
  return result;
}

}  // namespace vesk
