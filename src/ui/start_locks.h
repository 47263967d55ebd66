// The locks a running desktop copy holds: the single-copy lock by name, and
// the lock of its program folder, which danvore-cli takes as well, so that
// never two programs work one command folder and one register (a command
// file done twice is a second fiscal receipt).
#pragma once

#include <QTimer>
#include <functional>
#include <optional>
#include <string>

#include "platform/instance_lock.h"

namespace danvore::ui {

// One attempt at a lock.
using TLockClaim = std::function<platform::TInstanceLock()>;

struct TLockClaims {
  TLockClaim Named;
  TLockClaim Folder;
  // The pause between two attempts while a restarted copy waits for the
  // copy it replaces.
  int RetryMs = 500;
  // How long a copy started with an argument waits for the program folder
  // before it gives up: the copy it replaces ends at once, so only another
  // program keeps the folder that long.
  int FolderWaitMs = 30000;
};

// The locks of this program: "DANVORE" and the program folder.
TLockClaims ProgramLockClaims();

// Whether a start is refused at once: started without arguments while
// another copy holds either lock. Any argument skips this check; the restart
// of the apply step relies on that.
bool RefuseStart(platform::TLockState Named, platform::TLockState Folder, int Argc);

class TStartLocks {
 public:
  // Lives on the user-interface thread, after the application object.
  explicit TStartLocks(TLockClaims Claims);

  // Takes the locks for a start with Argc arguments (the program's name
  // counts). A refused start shows "App is already running!" and returns
  // false. A copy started with an argument first waits for the program
  // folder (the restart: the old copy is on its way out), then runs; the
  // single-copy lock is retried in the background until the holder has
  // gone, so that a later plain start still finds a running copy.
  bool Take(int Argc);

  bool NamedHeld() const { return FNamed && FNamed->Acquired(); }
  bool FolderHeld() const { return FFolder && FFolder->Acquired(); }
  // Why the program folder could not be locked; empty when it is held.
  std::string FolderError() const;

  // The single-copy lock goes as the message loop ends; the folder lock only
  // once the worker has stopped, so that danvore-cli never overlaps it.
  void ReleaseNamed();
  void ReleaseFolder();

 private:
  bool AwaitFolder();
  void RetryNamed();

  TLockClaims FClaims;
  std::optional<platform::TInstanceLock> FNamed;
  std::optional<platform::TInstanceLock> FFolder;
  QTimer FRetry;
};

}  // namespace danvore::ui
