#include <signal.h>
#include <time.h>

#include <cerrno>

#include "platform/signals.h"

namespace danvore::platform {

namespace {

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

void CatchStopSignals() {
  // Blocked in every thread (threads inherit the mask), so the signals stay
  // pending until sigtimedwait takes them.
  const sigset_t set = StopSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

bool WaitForStopSignal(int milliseconds) {
  const sigset_t set = StopSignals();
  struct timespec timeout {};
  timeout.tv_sec = milliseconds / 1000;
  timeout.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
  for (;;) {
    const int signal = sigtimedwait(&set, nullptr, &timeout);
    if (signal >= 0) return true;
    if (errno != EINTR) return false;
  }
}

void StopSignalHandled() {
  // A POSIX process ends when it returns from main, not when a signal has
  // been taken: nothing waits for this.
}

}  // namespace danvore::platform
