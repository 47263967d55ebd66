#include "ui/start_locks.h"

#include <chrono>
#include <thread>

#include "core/program_dir.h"
#include "ui/texts.h"
#include "ui/ui_hooks.h"

namespace danvore::ui {

using platform::TInstanceLock;
using platform::TLockState;

TLockClaims ProgramLockClaims() {
  TLockClaims claims;
  claims.Named = [] { return TInstanceLock::Named(kInstanceName); };
  claims.Folder = [] { return TInstanceLock::ForFolder(ProgramDir()); };
  return claims;
}

bool RefuseStart(TLockState Named, TLockState Folder, int Argc) {
  return Argc <= 1 && (Named == TLockState::Busy || Folder == TLockState::Busy);
}

TStartLocks::TStartLocks(TLockClaims Claims) : FClaims(std::move(Claims)) {
  FRetry.setInterval(FClaims.RetryMs);
  QObject::connect(&FRetry, &QTimer::timeout, [this] { RetryNamed(); });
}

bool TStartLocks::Take(int Argc) {
  FNamed = FClaims.Named();
  FFolder = FClaims.Folder();
  const bool refused = RefuseStart(FNamed->State(), FFolder->State(), Argc) ||
                       (FFolder->State() == TLockState::Busy && !AwaitFolder());
  if (refused) {
    ReleaseNamed();
    ReleaseFolder();
    Hooks().ShowInfo(nullptr, QString::fromUtf8(kAlreadyRunning), QString::fromUtf8(kInfo));
    return false;
  }
  if (FNamed->State() == TLockState::Busy) RetryNamed();
  return true;
}

bool TStartLocks::AwaitFolder() {
  const auto end =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(FClaims.FolderWaitMs);
  while (FFolder->State() == TLockState::Busy) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(FClaims.RetryMs));
    FFolder = FClaims.Folder();
  }
  return true;
}

void TStartLocks::RetryNamed() {
  TInstanceLock retry = FClaims.Named();
  if (retry.Acquired()) {
    FNamed = std::move(retry);
    FRetry.stop();
  } else if (!FRetry.isActive()) {
    FRetry.start();
  }
}

std::string TStartLocks::FolderError() const {
  return FFolder && FFolder->State() == TLockState::Failed ? FFolder->ErrorText() : std::string();
}

void TStartLocks::ReleaseNamed() {
  FRetry.stop();
  FNamed.reset();
}

void TStartLocks::ReleaseFolder() {
  FFolder.reset();
}

}  // namespace danvore::ui
