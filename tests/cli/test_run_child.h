// danvore-cli started in the background, so that a test can talk to it
// while it runs and then ask it to stop as an operator would.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace danvore::test {

class TCliChild {
 public:
  // Starts DANVORE_BINARY_DIR/src/cli/danvore-cli with `args`; its output
  // goes to temporary files.
  explicit TCliChild(const std::vector<std::string>& args);
  // Kills the program if it still runs.
  ~TCliChild();
  TCliChild(const TCliChild&) = delete;
  TCliChild& operator=(const TCliChild&) = delete;

  bool Started() const;
  // The process id; -1 when it did not start.
  int Pid() const;
  // SIGTERM; Ctrl+Break on Windows.
  void Stop();
  // The exit code once the program has ended; -1 when it is still running
  // after `timeoutMs` or did not end normally.
  int Wait(int timeoutMs);
  // What it has written so far.
  std::string Out() const;
  std::string Err() const;

  struct Impl;

 private:
  std::unique_ptr<Impl> FImpl;
};

}  // namespace danvore::test
