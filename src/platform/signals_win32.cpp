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

BOOL WINAPI OnConsoleEvent(DWORD) {
  ::SetEvent(ConsoleStop());
  return TRUE;
}

}  // namespace

std::wstring StopEventName(int processId) {
  return L"Local\\DanvoreStop-" + std::to_wstring(processId);
}

void CatchStopSignals() {
  ConsoleStop();
  NamedStop();
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool WaitForStopSignal(int milliseconds) {
  HANDLE events[2] = {ConsoleStop(), NamedStop()};
  const int count = events[1] != nullptr ? 2 : 1;
  const DWORD result =
      ::WaitForMultipleObjects(count, events, FALSE, static_cast<DWORD>(milliseconds));
  return result >= WAIT_OBJECT_0 && result < WAIT_OBJECT_0 + count;
}

}  // namespace danvore::platform
