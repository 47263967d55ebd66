// Lock files that someone else placed where the lock belongs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <iostream>
#include <string>

#include "platform/instance_lock.h"
#include "support/temp_dir.h"

namespace danvore::platform {
namespace {

using test::ReadText;
using test::TTempDir;

// Points XDG_RUNTIME_DIR at a folder for the life of the object.
class TRuntimeDir {
 public:
  explicit TRuntimeDir(const std::string& folder) {
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    FHadValue = saved != nullptr;
    if (FHadValue) FSaved = saved;
    ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
  }
  ~TRuntimeDir() {
    if (FHadValue) {
      ::setenv("XDG_RUNTIME_DIR", FSaved.c_str(), 1);
    } else {
      ::unsetenv("XDG_RUNTIME_DIR");
    }
  }
  TRuntimeDir(const TRuntimeDir&) = delete;
  TRuntimeDir& operator=(const TRuntimeDir&) = delete;

 private:
  bool FHadValue = false;
  std::string FSaved;
};

constexpr const char* kName = "DANVORE-test";

TEST(InstanceLockPosix, PlantedLockFilesAreRefused) {
  // Each case places something at `lock` (and maybe `target`); true when
  // it could be set up.
  using TPlant = std::function<bool(const std::string& lock, const std::string& target)>;
  const struct {
    const char* Name;
    TPlant Plant;
    bool TargetExists;  // afterwards, with the content "keep" when true
  } cases[] = {
      {"link to a missing file",
       [](const std::string& lock, const std::string& target) {
         return ::symlink(target.c_str(), lock.c_str()) == 0;
       },
       false},
      {"link to an existing file",
       [](const std::string& lock, const std::string& target) {
         return AppendToFile(target, "keep") && ::symlink(target.c_str(), lock.c_str()) == 0;
       },
       true},
      {"FIFO",
       [](const std::string& lock, const std::string&) {
         return ::mkfifo(lock.c_str(), 0600) == 0;
       },
       false},
      {"another user's file",
       [](const std::string& lock, const std::string&) {
         // Only the superuser can give a file away.
         return ::geteuid() == 0 && AppendToFile(lock, "") &&
                ::chown(lock.c_str(), 65534, 65534) == 0;
       },
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TTempDir runtime;
    const TRuntimeDir environment(runtime.Path());
    const std::string lockPath = runtime / (std::string(kName) + ".lock");
    const std::string target = runtime / "target";
    if (!c.Plant(lockPath, target)) {
      std::cout << "skipped: " << c.Name << " cannot be set up here\n";
      continue;
    }
    const TInstanceLock lock = TInstanceLock::Named(kName);
    EXPECT_EQ(lock.State(), TLockState::Failed);
    EXPECT_EQ(lock.ErrorText().rfind(lockPath + ": ", 0), 0u) << lock.ErrorText();
    EXPECT_EQ(FileExists(target), c.TargetExists);
    if (c.TargetExists) {
      EXPECT_EQ(ReadText(target), "keep");
    }
  }
}

TEST(InstanceLockPosix, OwnRegularLockFileIsTaken) {
  TTempDir runtime;
  const TRuntimeDir environment(runtime.Path());
  ASSERT_TRUE(AppendToFile(runtime / (std::string(kName) + ".lock"), ""));
  const TInstanceLock lock = TInstanceLock::Named(kName);
  EXPECT_EQ(lock.State(), TLockState::Acquired) << lock.ErrorText();
  EXPECT_EQ(TInstanceLock::Named(kName).State(), TLockState::Busy);
}

TEST(InstanceLockPosix, LinkedFolderLockIsRefused) {
  TTempDir folder;
  const std::string target = folder / "target";
  ASSERT_EQ(::symlink(target.c_str(), (folder / ".danvore.lock").c_str()), 0);
  EXPECT_EQ(TInstanceLock::ForFolder(folder.Dir()).State(), TLockState::Failed);
  EXPECT_FALSE(FileExists(target));
}

}  // namespace
}  // namespace danvore::platform
