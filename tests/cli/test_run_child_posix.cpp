#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "cli/cli_argv_posix.h"
#include "cli/test_run_child.h"

namespace danvore::test {

struct TCliChild::Impl {
  pid_t Pid = -1;
  bool Ended = false;
  int ExitCode = -1;
  std::string OutPath;
  std::string ErrPath;
};

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string TempName(const char* kind) {
  static int counter = 0;
  return (std::filesystem::temp_directory_path() /
          ("danvore-run-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + kind))
      .string();
}

}  // namespace

TCliChild::TCliChild(const std::vector<std::string>& args) : FImpl(std::make_unique<Impl>()) {
  const TCliArgv argv(args);
  FImpl->OutPath = TempName(".out");
  FImpl->ErrPath = TempName(".err");
  const char* outPath = FImpl->OutPath.c_str();
  const char* errPath = FImpl->ErrPath.c_str();
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    // Only async-signal-safe calls until exec: other threads may hold locks.
    const int out = ::open(outPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int err = ::open(errPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0 || err < 0 || ::dup2(out, STDOUT_FILENO) < 0 || ::dup2(err, STDERR_FILENO) < 0)
      ::_exit(126);
    // The test runner may block signals; the bridge sets its own mask.
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execv(argv.Program(), argv.Argv());
    ::_exit(127);
  }
  FImpl->Pid = pid;
}

TCliChild::~TCliChild() {
  if (FImpl->Pid > 0 && !FImpl->Ended) {
    ::kill(FImpl->Pid, SIGKILL);
    ::waitpid(FImpl->Pid, nullptr, 0);
  }
  std::error_code ignored;
  std::filesystem::remove(FImpl->OutPath, ignored);
  std::filesystem::remove(FImpl->ErrPath, ignored);
}

bool TCliChild::Started() const {
  return FImpl->Pid > 0;
}

int TCliChild::Pid() const {
  return FImpl->Pid > 0 ? static_cast<int>(FImpl->Pid) : -1;
}

void TCliChild::Stop() {
  if (FImpl->Pid > 0 && !FImpl->Ended) ::kill(FImpl->Pid, SIGTERM);
}

int TCliChild::Wait(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (FImpl->Pid > 0 && !FImpl->Ended) {
    int status = 0;
    const pid_t done = ::waitpid(FImpl->Pid, &status, WNOHANG);
    if (done == FImpl->Pid) {
      FImpl->Ended = true;
      FImpl->ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      break;
    }
    if (std::chrono::steady_clock::now() > deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return FImpl->ExitCode;
}

std::string TCliChild::Out() const {
  return ReadFile(FImpl->OutPath);
}

std::string TCliChild::Err() const {
  return ReadFile(FImpl->ErrPath);
}

}  // namespace danvore::test
