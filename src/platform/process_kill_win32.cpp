#include <windows.h>

#include "platform/process_kill.h"

namespace danvore::platform {

bool KillProcess(int pid) {
  if (pid <= 0) return false;
  HANDLE process = ::OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return false;
  const bool ended = ::TerminateProcess(process, 137) != 0;
  ::CloseHandle(process);
  return ended;
}

}  // namespace danvore::platform
