#include <windows.h>

#include <string>

#include "platform/signals.h"
#include "platform/signals_win32.h"

namespace danvore::platform {

namespace {

// Manual reset: once asked to stop, the program stays asked.
HANDLE ConsoleStop() {
  static HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return event;
}

// A program without a console to share (a scheduler, a test) stops this one
// by setting the event named after its process id.
HANDLE NamedStop() {
  static HANDLE event = ::CreateEventW(
      nullptr, TRUE, FALSE, StopEventName(static_cast<int>(::GetCurrentProcessId())).c_str());
  return event;
}

// Set once the program has stopped its worker and its log.
HANDLE StopDone() {
  static HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return event;
}

// The system allows about 5 s after a close, log-off or shut-down event.
constexpr DWORD kCloseGraceMs = 4500;

BOOL WINAPI OnConsoleEvent(DWORD type) {
  ::SetEvent(ConsoleStop());
  // Returning ends the process at once for these events: wait until the main
  // thread has stopped the bridge, so its last lines and disconnect happen.
  if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT)
    ::WaitForSingleObject(StopDone(), kCloseGraceMs);
  return TRUE;
}

}  // namespace

std::wstring StopEventName(int processId) {
  return L"Local\\DanvoreStop-" + std::to_wstring(processId);
}

void CatchStopSignals() {
  ConsoleStop();
  NamedStop();
  StopDone();
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool WaitForStopSignal(int milliseconds) {
  HANDLE events[2] = {ConsoleStop(), NamedStop()};
  const int count = events[1] != nullptr ? 2 : 1;
  const DWORD result =
      ::WaitForMultipleObjects(count, events, FALSE, static_cast<DWORD>(milliseconds));
  return result >= WAIT_OBJECT_0 && result < WAIT_OBJECT_0 + count;
}

void StopSignalHandled() {
  ::SetEvent(StopDone());
}

}  // namespace danvore::platform
