#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/fs.h"
#include "platform/instance_lock.h"

namespace danvore::platform {

struct TInstanceLock::Impl {
  explicit Impl(int fd) : Fd(fd) {}
  // Closing the descriptor releases the flock.
  ~Impl() { ::close(Fd); }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;
  int Fd;
};

namespace {

struct TLockAttempt {
  std::unique_ptr<TInstanceLock::Impl> Impl;
  TLockState State = TLockState::Failed;
  std::string ErrorText;
};

// A lock file in a shared folder may have been planted: a symbolic link is
// not followed, a FIFO does not block the open, and only a regular file (of
// this user, when `ownOnly`) is taken.
bool Acceptable(int fd, bool ownOnly) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return false;
  if (!S_ISREG(info.st_mode)) {
    errno = EINVAL;
    return false;
  }
  if (ownOnly && info.st_uid != ::geteuid()) {
    errno = EPERM;
    return false;
  }
  return true;
}

TLockAttempt LockFile(const std::string& path, bool ownOnly) {
  TLockAttempt attempt;
  const int fd =
      ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
  if (fd < 0) {
    attempt.ErrorText = path + ": " + std::strerror(errno);
    return attempt;
  }
  attempt.Impl = std::make_unique<TInstanceLock::Impl>(fd);
  if (!Acceptable(fd, ownOnly)) {
    attempt.ErrorText = path + ": " + std::strerror(errno);
    attempt.Impl.reset();
    return attempt;
  }
  int rc = 0;
  do {
    rc = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc == 0) {
    attempt.State = TLockState::Acquired;
  } else if (errno == EWOULDBLOCK) {
    attempt.State = TLockState::Busy;
    attempt.Impl.reset();
  } else {
    attempt.ErrorText = path + ": " + std::strerror(errno);
    attempt.Impl.reset();
  }
  return attempt;
}

}  // namespace

TInstanceLock::TInstanceLock(std::unique_ptr<Impl> impl, TLockState state, std::string errorText)
    : FImpl(std::move(impl)), FState(state), FErrorText(std::move(errorText)) {}

TInstanceLock::TInstanceLock(TInstanceLock&&) noexcept = default;
TInstanceLock& TInstanceLock::operator=(TInstanceLock&&) noexcept = default;
TInstanceLock::~TInstanceLock() = default;

TInstanceLock TInstanceLock::ForFolder(const std::string& folder) {
  TLockAttempt attempt = LockFile(IncludeTrailingPathDelimiter(folder) + ".danvore.lock", false);
  return TInstanceLock(std::move(attempt.Impl), attempt.State, std::move(attempt.ErrorText));
}

TInstanceLock TInstanceLock::Named(const std::string& name) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string path = runtime != nullptr && *runtime != '\0'
                               ? IncludeTrailingPathDelimiter(runtime) + name + ".lock"
                               : "/tmp/" + name + "-" + std::to_string(::getuid()) + ".lock";
  TLockAttempt attempt = LockFile(path, true);
  return TInstanceLock(std::move(attempt.Impl), attempt.State, std::move(attempt.ErrorText));
}

}  // namespace danvore::platform
