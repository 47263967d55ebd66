#include <signal.h>

#include "platform/process_kill.h"

namespace danvore::platform {

bool KillProcess(int pid) {
  return pid > 0 && ::kill(pid, SIGKILL) == 0;
}

}  // namespace danvore::platform
