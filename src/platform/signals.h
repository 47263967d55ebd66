// The stop request of a console program: SIGINT / SIGTERM on POSIX, Ctrl+C,
// Ctrl+Break and closing the console on Windows, where another program may
// also set the event named StopEventName(process id) (signals_win32.h).
#pragma once

namespace danvore::platform {

// Routes the stop signals to WaitForStopSignal. Call it on the main thread
// before any other thread starts, so that no thread receives them otherwise.
void CatchStopSignals();

// Waits at most `milliseconds` for a stop request; true when one came.
bool WaitForStopSignal(int milliseconds);

// Tells the system that the program has finished stopping. Windows ends a
// program as soon as its handler of a console close, log-off or shut-down
// returns, so that handler waits (a few seconds at most) for this call.
void StopSignalHandled();

}  // namespace danvore::platform
