#include <time.h>

#include "platform/clock.h"

namespace danvore::platform {

TLocalTime LocalNow() {
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  struct tm parts {};
  ::localtime_r(&now.tv_sec, &parts);
  TLocalTime result;
  result.Year = parts.tm_year + 1900;
  result.Month = parts.tm_mon + 1;
  result.Day = parts.tm_mday;
  result.Hour = parts.tm_hour;
  result.Minute = parts.tm_min;
  // A leap second shows as :59, as Windows would report it.
  result.Second = parts.tm_sec > 59 ? 59 : parts.tm_sec;
  result.Millisecond = static_cast<int>(now.tv_nsec / 1000000);
  return result;
}

std::int64_t MonotonicMs() {
  struct timespec now {};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace danvore::platform
