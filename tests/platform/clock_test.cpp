#include "platform/clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace danvore::platform {
namespace {

TEST(ClockTest, LocalNowFieldsAreInRange) {
  const TLocalTime now = LocalNow();
  EXPECT_GE(now.Year, 2020);
  EXPECT_GE(now.Month, 1);
  EXPECT_LE(now.Month, 12);
  EXPECT_GE(now.Day, 1);
  EXPECT_LE(now.Day, 31);
  EXPECT_GE(now.Hour, 0);
  EXPECT_LE(now.Hour, 23);
  EXPECT_GE(now.Minute, 0);
  EXPECT_LE(now.Minute, 59);
  EXPECT_GE(now.Second, 0);
  EXPECT_LE(now.Second, 59);
  EXPECT_GE(now.Millisecond, 0);
  EXPECT_LE(now.Millisecond, 999);
}

TEST(ClockTest, MonotonicMsNeverGoesBackAndCountsMilliseconds) {
  std::int64_t last = MonotonicMs();
  for (int i = 0; i < 1000; ++i) {
    const std::int64_t now = MonotonicMs();
    ASSERT_GE(now, last);
    last = now;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  // Only a lower bound: a sleep lasts at least as long as asked; the coarse
  // Windows tick may show a little less.
  EXPECT_GE(MonotonicMs() - last, 30);
}

}  // namespace
}  // namespace danvore::platform
