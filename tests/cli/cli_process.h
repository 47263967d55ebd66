// Runs the built danvore-cli as a child process and collects what it wrote.
#pragma once

#include <string>
#include <vector>

namespace danvore::test {

struct TCliRun {
  int ExitCode = -1;  // -1 when the program did not end normally
  std::string Out;
  std::string Err;
};

// DANVORE_BINARY_DIR/src/cli/danvore-cli with `args`; waits for its end.
TCliRun RunDanvoreCli(const std::vector<std::string>& args);

}  // namespace danvore::test
