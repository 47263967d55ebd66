// Waiting on a condition instead of on the wall clock.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace danvore::test {

// Polls until the condition holds; false after the generous time-out.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 20000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace danvore::test
