#include "core/program_dir.h"

#include <mutex>

#include "platform/fs.h"

namespace danvore {

namespace {

std::mutex& OverrideLock() {
  static std::mutex lock;
  return lock;
}

std::string& OverrideDir() {
  static std::string dir;
  return dir;
}

std::size_t NameStart(const std::string& path) {
  std::size_t start = path.size();
  while (start > 0 && !platform::IsPathSeparator(path[start - 1]))
    --start;
  return start;
}

}  // namespace

std::string ProgramDir() {
  {
    std::lock_guard<std::mutex> lock(OverrideLock());
    if (!OverrideDir().empty()) return OverrideDir();
  }
  const std::string exe = platform::ExecutablePath();
  return exe.substr(0, NameStart(exe));
}

void SetProgramDir(const std::string& dir) {
  std::lock_guard<std::mutex> lock(OverrideLock());
  OverrideDir() = platform::IncludeTrailingPathDelimiter(dir);
}

std::string ConfigFilePath() {
  return ProgramDir() + "Config.Ini";
}

std::string DefaultLogDir() {
  return ProgramDir() + "log" + platform::PathSeparator();
}

std::string ProgressDir() {
  return ProgramDir() + "progress" + platform::PathSeparator();
}

std::string DefaultAnswerPath() {
  return ProgramDir() + "Answer";
}

std::string DebugFilePath() {
  const std::string exe = platform::ExecutablePath();
  std::string name = exe.substr(NameStart(exe));
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.resize(dot);
  return ProgramDir() + name + ".debug";
}

}  // namespace danvore
