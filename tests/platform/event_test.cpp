#include "platform/event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace danvore::platform {
namespace {

TEST(EventTest, SetBeforeWaitReleasesOneWaitOnly) {
  TEvent event;
  event.Set();
  event.Set();  // not counted: still one release
  EXPECT_TRUE(event.WaitFor(0));
  EXPECT_FALSE(event.WaitFor(20));
  EXPECT_FALSE(event.WaitFor(-1));
}

TEST(EventTest, UnsignalledWaitTimesOut) {
  TEvent event;
  EXPECT_FALSE(event.WaitFor(0));
  EXPECT_FALSE(event.WaitFor(30));
}

TEST(EventTest, SetFromAnotherThreadWakesTheWaiter) {
  TEvent event;
  std::atomic<bool> woken{false};
  std::thread waiter([&] { woken = event.WaitFor(20000); });
  event.Set();
  waiter.join();
  EXPECT_TRUE(woken);
  EXPECT_FALSE(event.WaitFor(0));  // the wake-up consumed the signal
}

TEST(EventTest, EachSetReleasesOneRoundOfAPingPong) {
  TEvent ping;
  TEvent pong;
  constexpr int kRounds = 200;
  std::atomic<int> answered{0};
  std::thread partner([&] {
    for (int i = 0; i < kRounds; ++i) {
      if (!ping.WaitFor(20000)) return;
      ++answered;
      pong.Set();
    }
  });
  for (int i = 0; i < kRounds; ++i) {
    ping.Set();
    ASSERT_TRUE(pong.WaitFor(20000)) << i;
    EXPECT_EQ(answered.load(), i + 1);
  }
  partner.join();
}

}  // namespace
}  // namespace danvore::platform
