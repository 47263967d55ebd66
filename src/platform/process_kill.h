// Ends another process at once, as a power cut would.
#pragma once

namespace danvore::platform {

// SIGKILL / TerminateProcess; false when the process could not be ended.
bool KillProcess(int pid);

}  // namespace danvore::platform
