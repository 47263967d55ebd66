// Auto-reset event: one Set releases one wait (or the next one).
#pragma once

#include <memory>

namespace danvore::platform {

class TEvent {
 public:
  TEvent();
  ~TEvent();
  TEvent(const TEvent&) = delete;
  TEvent& operator=(const TEvent&) = delete;

  void Set();
  // Waits at most `milliseconds` (a negative value does not wait); true when
  // the event was signalled (it is then reset), false on time-out.
  bool WaitFor(int milliseconds);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace danvore::platform
