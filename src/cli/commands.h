// The sub-commands of danvore-cli. Each takes the arguments after its name
// (global options such as --home already removed) and returns the exit code.
#pragma once

#include <string>
#include <vector>

namespace danvore::cli {

using TArgs = std::vector<std::string>;

int RunCheck(const TArgs& args);
int RunBridge(const TArgs& args);
// "x-report", "z-report", "void", "close-receipt", "check-conn".
int RunManual(const std::string& operation, const TArgs& args);

}  // namespace danvore::cli
