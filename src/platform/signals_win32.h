// The named stop event of a console program on Windows.
#pragma once

#include <string>

namespace danvore::platform {

// "Local\\DanvoreStop-<process id>": setting it stops that process like
// Ctrl+C (WaitForStopSignal of signals.h).
std::wstring StopEventName(int processId);

}  // namespace danvore::platform
