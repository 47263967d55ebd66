#include <windows.h>

#include "platform/event.h"

namespace danvore::platform {

struct TEvent::Impl {
  HANDLE Handle = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  Impl() = default;
  ~Impl() {
    if (Handle != nullptr) CloseHandle(Handle);
  }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;
};

TEvent::TEvent() : impl_(std::make_unique<Impl>()) {}

TEvent::~TEvent() = default;

void TEvent::Set() {
  SetEvent(impl_->Handle);
}

bool TEvent::WaitFor(int milliseconds) {
  const DWORD timeout = milliseconds < 0 ? 0 : static_cast<DWORD>(milliseconds);
  return WaitForSingleObject(impl_->Handle, timeout) == WAIT_OBJECT_0;
}

}  // namespace danvore::platform
