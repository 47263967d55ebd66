#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/program_dir.h"
#include "platform/instance_lock.h"
#include "ui/start_locks.h"
#include "ui_test_support.h"

namespace danvore::ui {
namespace {

using platform::TInstanceLock;
using platform::TLockState;

struct TRefuseCase {
  TLockState Named;
  TLockState Folder;
  int Argc;
  bool Refused;
};

TEST(RefuseStartTest, APlainStartIsRefusedWhileAnotherHoldsEitherLock) {
  const TRefuseCase cases[] = {
      {TLockState::Acquired, TLockState::Acquired, 1, false},
      {TLockState::Busy, TLockState::Acquired, 1, true},
      {TLockState::Acquired, TLockState::Busy, 1, true},
      {TLockState::Busy, TLockState::Busy, 1, true},
      {TLockState::Failed, TLockState::Acquired, 1, false},
      {TLockState::Acquired, TLockState::Failed, 1, false},
      {TLockState::Busy, TLockState::Acquired, 2, false},
      {TLockState::Acquired, TLockState::Busy, 2, false},
      {TLockState::Busy, TLockState::Busy, 3, false},
  };
  for (const TRefuseCase& c : cases) {
    EXPECT_EQ(RefuseStart(c.Named, c.Folder, c.Argc), c.Refused)
        << static_cast<int>(c.Named) << " " << static_cast<int>(c.Folder) << " " << c.Argc;
  }
}

// Two folders stand for the single-copy lock and the program folder; the
// locks of "another copy" are taken in this process, which flock and named
// mutexes treat like another holder.
class StartLocksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    FHooks.Install();
  }
  void TearDown() override { Hooks() = DefaultHooks(); }

  TInstanceLock NamedLock() const { return TInstanceLock::ForFolder(FNamedDir.Path()); }
  TInstanceLock FolderLock() const { return TInstanceLock::ForFolder(FFolderDir.Path()); }

  TLockClaims Claims() const {
    TLockClaims claims;
    claims.Named = [this] { return NamedLock(); };
    claims.Folder = [this] { return FolderLock(); };
    claims.RetryMs = 1;
    claims.FolderWaitMs = 20000;
    return claims;
  }

  void ExpectRefusalBox() const {
    ASSERT_EQ(FHooks.Infos.size(), 1u);
    EXPECT_EQ(FHooks.Infos[0].first, QStringLiteral("App is already running!"));
    EXPECT_EQ(FHooks.Infos[0].second, QStringLiteral("Info"));
  }

  uitest::TTempDir FNamedDir;
  uitest::TTempDir FFolderDir;
  uitest::THookRecorder FHooks;
};

TEST_F(StartLocksTest, APlainStartTakesBothLocksForItsLife) {
  TStartLocks locks(Claims());
  ASSERT_TRUE(locks.Take(1));
  EXPECT_TRUE(locks.NamedHeld());
  EXPECT_TRUE(locks.FolderHeld());
  EXPECT_TRUE(locks.FolderError().empty());
  EXPECT_TRUE(FHooks.Infos.empty());
  EXPECT_EQ(NamedLock().State(), TLockState::Busy);
  EXPECT_EQ(FolderLock().State(), TLockState::Busy);
  locks.ReleaseNamed();
  EXPECT_EQ(NamedLock().State(), TLockState::Acquired);
  EXPECT_EQ(FolderLock().State(), TLockState::Busy);
  locks.ReleaseFolder();
  EXPECT_EQ(FolderLock().State(), TLockState::Acquired);
}

struct THeldCase {
  const char* Name;
  bool NamedHeld;
  bool FolderHeld;
};

TEST_F(StartLocksTest, APlainStartIsRefusedWithTheBoxWhileEitherLockIsHeld) {
  const THeldCase cases[] = {
      {"another copy", true, true},
      {"a copy of another folder", true, false},
      {"danvore-cli on the folder", false, true},
  };
  for (const THeldCase& c : cases) {
    SCOPED_TRACE(c.Name);
    FHooks.Infos.clear();
    std::optional<TInstanceLock> named;
    std::optional<TInstanceLock> folder;
    if (c.NamedHeld) named = NamedLock();
    if (c.FolderHeld) folder = FolderLock();
    {
      TStartLocks locks(Claims());
      EXPECT_FALSE(locks.Take(1));
      ExpectRefusalBox();
      EXPECT_FALSE(locks.NamedHeld());
      EXPECT_FALSE(locks.FolderHeld());
      // The refused copy keeps nothing that would block the running one.
      if (!c.NamedHeld) {
        EXPECT_EQ(NamedLock().State(), TLockState::Acquired);
      }
      if (!c.FolderHeld) {
        EXPECT_EQ(FolderLock().State(), TLockState::Acquired);
      }
    }
  }
}

TEST_F(StartLocksTest, TheDesktopAndDanvoreCliShareTheProgramFolderLock) {
  uitest::TProgramFolder program;
  TLockClaims claims = ProgramLockClaims();
  claims.Named = [this] { return NamedLock(); };
  {
    // danvore-cli run holds the folder.
    const TInstanceLock cli = TInstanceLock::ForFolder(ProgramDir());
    ASSERT_TRUE(cli.Acquired());
    TStartLocks locks(claims);
    EXPECT_FALSE(locks.Take(1));
    ExpectRefusalBox();
  }
  TStartLocks locks(claims);
  ASSERT_TRUE(locks.Take(1));
  // And the running desktop keeps danvore-cli out.
  EXPECT_EQ(TInstanceLock::ForFolder(ProgramDir()).State(), TLockState::Busy);
}

TEST_F(StartLocksTest, TheRestartWaitsForTheOldCopyAndTakesItsLocks) {
  std::optional<TInstanceLock> oldNamed = NamedLock();
  std::optional<TInstanceLock> oldFolder = FolderLock();
  int attempts = 0;
  TLockClaims claims = Claims();
  // The old copy ends while the new one tries for the third time.
  claims.Folder = [&] {
    if (++attempts == 3) {
      oldNamed.reset();
      oldFolder.reset();
    }
    return FolderLock();
  };
  TStartLocks locks(claims);
  ASSERT_TRUE(locks.Take(2));
  EXPECT_EQ(attempts, 3);
  EXPECT_TRUE(locks.FolderHeld());
  EXPECT_TRUE(locks.NamedHeld());
  EXPECT_TRUE(FHooks.Infos.empty());
}

TEST_F(StartLocksTest, WithAnArgumentACopyRunsBesideTheNamedHolderAndClaimsItLater) {
  std::optional<TInstanceLock> other = NamedLock();
  TStartLocks locks(Claims());
  ASSERT_TRUE(locks.Take(2));
  EXPECT_TRUE(FHooks.Infos.empty());
  EXPECT_TRUE(locks.FolderHeld());
  EXPECT_FALSE(locks.NamedHeld());
  other.reset();
  EXPECT_TRUE(uitest::PollUntil([&] { return locks.NamedHeld(); }));
}

TEST_F(StartLocksTest, WithAnArgumentAFolderThatStaysHeldRefusesTheStart) {
  const TInstanceLock cli = FolderLock();
  TLockClaims claims = Claims();
  claims.FolderWaitMs = 50;
  TStartLocks locks(claims);
  EXPECT_FALSE(locks.Take(2));
  ExpectRefusalBox();
  EXPECT_FALSE(locks.FolderHeld());
  EXPECT_EQ(NamedLock().State(), TLockState::Acquired);
}

TEST_F(StartLocksTest, AFolderThatCannotBeLockedIsReportedButDoesNotStopTheStart) {
  TLockClaims claims = Claims();
  const std::string missing = FFolderDir.Path("missing");
  claims.Folder = [missing] { return TInstanceLock::ForFolder(missing); };
  TStartLocks locks(claims);
  ASSERT_TRUE(locks.Take(1));
  EXPECT_TRUE(FHooks.Infos.empty());
  EXPECT_FALSE(locks.FolderHeld());
  EXPECT_NE(locks.FolderError().find(missing), std::string::npos) << locks.FolderError();
}

}  // namespace
}  // namespace danvore::ui
