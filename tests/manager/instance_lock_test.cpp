// One running copy per program folder and per name.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <utility>

#include "platform/instance_lock.h"
#include "worker_support.h"

namespace danvore {
namespace {

using platform::TInstanceLock;
using platform::TLockState;

TEST(InstanceLock, SecondHolderIsRefusedUntilTheFirstEnds) {
  test::TTempDir folder;
  test::TTempDir other;
  const std::string name = "DANVORE-test-" + std::to_string(std::random_device()());
  struct TCase {
    const char* Kind;
    std::function<TInstanceLock()> Take;
    std::function<TInstanceLock()> TakeElsewhere;
  };
  const TCase cases[] = {
      {"folder", [&] { return TInstanceLock::ForFolder(folder.Dir()); },
       [&] { return TInstanceLock::ForFolder(other.Dir()); }},
      {"name", [&] { return TInstanceLock::Named(name); },
       [&] { return TInstanceLock::Named(name + "-other"); }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Kind);
    {
      TInstanceLock first = c.Take();
      ASSERT_EQ(first.State(), TLockState::Acquired) << first.ErrorText();
      EXPECT_EQ(c.Take().State(), TLockState::Busy);
      EXPECT_TRUE(c.TakeElsewhere().Acquired()) << "another folder or name is free";
      TInstanceLock moved = std::move(first);
      EXPECT_TRUE(moved.Acquired());
      EXPECT_EQ(c.Take().State(), TLockState::Busy) << "moving keeps the lock";
    }
    EXPECT_TRUE(c.Take().Acquired()) << "released with its holder";
  }
}

}  // namespace
}  // namespace danvore
