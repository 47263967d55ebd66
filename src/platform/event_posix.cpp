#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/event.h"

namespace danvore::platform {

struct TEvent::Impl {
  std::mutex Mutex;
  std::condition_variable Signal;
  bool Signalled = false;
};

TEvent::TEvent() : impl_(std::make_unique<Impl>()) {}

TEvent::~TEvent() = default;

void TEvent::Set() {
  {
    std::lock_guard<std::mutex> lock(impl_->Mutex);
    impl_->Signalled = true;
  }
  impl_->Signal.notify_one();
}

bool TEvent::WaitFor(int milliseconds) {
  std::unique_lock<std::mutex> lock(impl_->Mutex);
  const auto timeout = std::chrono::milliseconds(milliseconds < 0 ? 0 : milliseconds);
  if (!impl_->Signal.wait_for(lock, timeout, [this] { return impl_->Signalled; })) return false;
  impl_->Signalled = false;
  return true;
}

}  // namespace danvore::platform
