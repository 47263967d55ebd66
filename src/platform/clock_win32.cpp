#include <windows.h>

#include "platform/clock.h"

namespace danvore::platform {

TLocalTime LocalNow() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  TLocalTime result;
  result.Year = now.wYear;
  result.Month = now.wMonth;
  result.Day = now.wDay;
  result.Hour = now.wHour;
  result.Minute = now.wMinute;
  result.Second = now.wSecond;
  result.Millisecond = now.wMilliseconds;
  return result;
}

std::int64_t MonotonicMs() {
  return static_cast<std::int64_t>(GetTickCount64());
}

}  // namespace danvore::platform
