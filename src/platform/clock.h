// Local wall-clock time as the log, answer stems and dated folders use it.
#pragma once

#include <cstdint>

namespace danvore::platform {

struct TLocalTime {
  int Year = 0;
  int Month = 0;  // 1..12
  int Day = 0;    // 1..31
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int Millisecond = 0;
};

TLocalTime LocalNow();

// Milliseconds of a monotonic clock, for waits and time-outs.
std::int64_t MonotonicMs();

}  // namespace danvore::platform
