#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "cli/cli_argv_posix.h"
#include "cli/cli_process.h"

namespace danvore::test {

namespace {

struct TFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFilePtr = std::unique_ptr<std::FILE, TFileCloser>;

std::string ReadAll(std::FILE* file) {
  std::rewind(file);
  std::string text;
  char chunk[4096];
  std::size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
    text.append(chunk, n);
  return text;
}

}  // namespace

TCliRun RunDanvoreCli(const std::vector<std::string>& args) {
  const TCliArgv argv(args);

  TCliRun run;
  const TFilePtr out(std::tmpfile());
  const TFilePtr err(std::tmpfile());
  if (!out || !err) return run;
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) return run;
  if (pid == 0) {
    ::dup2(::fileno(out.get()), STDOUT_FILENO);
    ::dup2(::fileno(err.get()), STDERR_FILENO);
    ::execv(argv.Program(), argv.Argv());
    ::_exit(127);
  }
  // A hung program fails its test instead of holding up the whole run.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      run.Err = "danvore-cli did not end within 120 s";
      return run;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (WIFEXITED(status)) run.ExitCode = WEXITSTATUS(status);
  run.Out = ReadAll(out.get());
  run.Err = ReadAll(err.get());
  return run;
}

}  // namespace danvore::test
