// One running copy at a time: a lock held for the life of the process and
// released by the system when the process ends, however it ends.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace danvore::platform {

enum class TLockState : std::uint8_t {
  Acquired,  // this process holds the lock
  Busy,      // another process holds it
  Failed,    // the lock could not be set up (see ErrorText)
};

class TInstanceLock {
 public:
  // The lock of a program folder. POSIX: an flock on the file
  // ".danvore.lock" in the folder; Failed when that is a symbolic link or
  // not a regular file. Windows: a mutex whose name is derived from the
  // folder's full path.
  static TInstanceLock ForFolder(const std::string& folder);
  // A lock by name. POSIX: an flock on "<name>.lock" in $XDG_RUNTIME_DIR,
  // else "/tmp/<name>-<uid>.lock"; Failed when that is a symbolic link, not
  // a regular file, or another user's file. Windows: the mutex of that name.
  static TInstanceLock Named(const std::string& name);

  TInstanceLock(TInstanceLock&&) noexcept;
  TInstanceLock& operator=(TInstanceLock&&) noexcept;
  // Releases the lock when held.
  ~TInstanceLock();

  TLockState State() const { return FState; }
  bool Acquired() const { return FState == TLockState::Acquired; }
  // The system's text when State() is Failed; empty otherwise.
  const std::string& ErrorText() const { return FErrorText; }

  struct Impl;

 private:
  TInstanceLock(std::unique_ptr<Impl> impl, TLockState state, std::string errorText);

  std::unique_ptr<Impl> FImpl;
  TLockState FState;
  std::string FErrorText;
};

}  // namespace danvore::platform
