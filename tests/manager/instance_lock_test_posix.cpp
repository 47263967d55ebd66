// Where the POSIX locks live.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/instance_lock.h"
#include "worker_support.h"

namespace danvore {
namespace {

using platform::TInstanceLock;
using platform::TLockState;

TEST(InstanceLockPosix, FolderLockIsAFileInTheFolder) {
  test::TTempDir folder;
  const TInstanceLock lock = TInstanceLock::ForFolder(folder.Dir());
  ASSERT_TRUE(lock.Acquired());
  EXPECT_TRUE(platform::FileExists(folder.Dir() + ".danvore.lock"));
}

TEST(InstanceLockPosix, NamedLockLivesInTheRuntimeFolder) {
  test::TTempDir runtime;
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  const std::string previous = saved != nullptr ? saved : "";
  ::setenv("XDG_RUNTIME_DIR", runtime.Dir().c_str(), 1);
  const TInstanceLock lock = TInstanceLock::Named("DANVORE");
  EXPECT_TRUE(lock.Acquired());
  EXPECT_TRUE(platform::FileExists(runtime.Dir() + "DANVORE.lock"));
  if (saved != nullptr) {
    ::setenv("XDG_RUNTIME_DIR", previous.c_str(), 1);
  } else {
    ::unsetenv("XDG_RUNTIME_DIR");
  }
}

TEST(InstanceLockPosix, MissingFolderFailsWithTheSystemsText) {
  test::TTempDir folder;
  const TInstanceLock lock = TInstanceLock::ForFolder(folder.Dir() + "missing");
  EXPECT_EQ(lock.State(), TLockState::Failed);
  EXPECT_NE(lock.ErrorText().find("missing"), std::string::npos) << lock.ErrorText();
}

}  // namespace
}  // namespace danvore
