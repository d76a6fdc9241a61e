// Broken-down calendar time without the shared static buffer of std::localtime/std::gmtime.
#pragma once

#include <ctime>

namespace vesk {

inline std::tm LocalCalendar(std::time_t when) {
  std::tm fields{};
#ifdef _WIN32
  localtime_s(&fields, &when);
#else
  localtime_r(&when, &fields);
#endif
  return fields;
}

inline std::tm UtcCalendar(std::time_t when) {
  std::tm fields{};
#ifdef _WIN32
  gmtime_s(&fields, &when);
#else
  gmtime_r(&when, &fields);
#endif
  return fields;
}

}  // namespace vesk
