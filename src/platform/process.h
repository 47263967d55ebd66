// Starting programs and ending the running process.
#pragma once

#include <string>
#include <vector>

namespace danvore::platform {

// Starts Program with Args, detached from this process, in a normal window.
// Throws std::runtime_error with the system's text when it cannot start.
void StartProgram(const std::string& Program, const std::vector<std::string>& Args);

// Starts this program's own executable again with the single argument.
void RestartSelf(const std::string& Argument);

// Ends the process at once: no destructors, no exit handlers, no flushing.
[[noreturn]] void ExitProcessNow(int Code);

}  // namespace danvore::platform
