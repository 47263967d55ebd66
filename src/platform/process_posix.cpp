#include <spawn.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "platform/fs.h"
#include "platform/process.h"

extern char** environ;

namespace danvore::platform {

namespace {

class TSpawnAttr {
 public:
  TSpawnAttr() { ::posix_spawnattr_init(&attr_); }
  ~TSpawnAttr() { ::posix_spawnattr_destroy(&attr_); }
  TSpawnAttr(const TSpawnAttr&) = delete;
  TSpawnAttr& operator=(const TSpawnAttr&) = delete;
  posix_spawnattr_t* Get() { return &attr_; }

 private:
  posix_spawnattr_t attr_{};
};

}  // namespace

void StartProgram(const std::string& Program, const std::vector<std::string>& Args) {
  std::vector<std::string> strings;
  strings.reserve(Args.size() + 1);
  strings.push_back(Program);
  strings.insert(strings.end(), Args.begin(), Args.end());
  std::vector<char*> argv;
  for (std::string& text : strings)
    argv.push_back(text.data());
  argv.push_back(nullptr);
  // A session of its own: the new copy outlives this one and its terminal.
  TSpawnAttr attr;
  ::posix_spawnattr_setflags(attr.Get(), POSIX_SPAWN_SETSID);
  pid_t pid = 0;
  const int error = ::posix_spawn(&pid, Program.c_str(), nullptr, attr.Get(), argv.data(), environ);
  if (error != 0) throw std::runtime_error("Cannot start " + Program + ": " + std::strerror(error));
}

void RestartSelf(const std::string& Argument) {
  StartProgram(ExecutablePath(), {Argument});
}

void ExitProcessNow(int Code) {
  std::_Exit(Code);
}

}  // namespace danvore::platform
