#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "platform/fd_channel_posix.h"
#include "platform/pty.h"
#include "platform/termios_speed.h"

namespace danvore::platform {

namespace {

std::runtime_error PtyError(const std::string& what) {
  return std::runtime_error(what + ": " + std::strerror(errno));
}

class TMasterChannel : public TByteChannel {
 public:
  TMasterChannel(int master, int slave) : master_(master), slave_(slave) {}
  ~TMasterChannel() override { Close(); }

  TReadStatus Read(std::vector<std::uint8_t>& out, int timeoutMs) override {
    if (master_ < 0) return TReadStatus::rsClosed;
    // The bridge opens its port exclusively. The terminal outlives its close
    // (this side keeps it open), and so would the flag, locking the bridge
    // out of its next open unless it runs with administrator rights.
    ::ioctl(slave_, TIOCNXCL);
    return detail::ReadAvailable(master_, out, timeoutMs);
  }

  bool Write(const std::uint8_t* data, std::size_t length) override {
    return master_ >= 0 &&
           detail::WriteEvery(data, length, [this](const std::uint8_t* p, std::size_t n) {
             return ::write(master_, p, n);
           });
  }

  void Close() noexcept override {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

  // The terminal settings belong to the device, so the simulator's own
  // descriptor of the slave sees the speed the bridge set on its descriptor.
  int PeerBaud() const override {
    termios settings{};
    if (::tcgetattr(slave_, &settings) != 0) return 0;
    return SpeedToBaud(::cfgetispeed(&settings));
  }

 private:
  int master_;
  int slave_;
};

// Points `link` at `target`, replacing an older link but never a real file.
void ReplaceLink(const std::string& link, const std::string& target) {
  struct stat info {};
  if (::lstat(link.c_str(), &info) == 0 && !S_ISLNK(info.st_mode)) {
    throw std::runtime_error(link + " exists and is not a symbolic link");
  }
  const std::string temporary = link + ".new" + std::to_string(::getpid());
  ::unlink(temporary.c_str());
  if (::symlink(target.c_str(), temporary.c_str()) != 0) throw PtyError("symlink " + link);
  if (::rename(temporary.c_str(), link.c_str()) != 0) {
    ::unlink(temporary.c_str());
    throw PtyError("rename " + link);
  }
}

class TPosixPty : public TPseudoTerminal {
 public:
  TPosixPty(int master, int slave, std::string slavePath, std::string link)
      : slave_(slave),
        slavePath_(std::move(slavePath)),
        link_(std::move(link)),
        master_(master, slave) {}

  ~TPosixPty() override {
    master_.Close();
    ::close(slave_);
    RemoveOwnLink();
  }

  const std::string& SlavePath() const override { return slavePath_; }
  TByteChannel& Master() override { return master_; }

 private:
  void RemoveOwnLink() const {
    if (link_.empty()) return;
    char target[PATH_MAX];
    const ssize_t n = ::readlink(link_.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == slavePath_) {
      ::unlink(link_.c_str());
    }
  }

  int slave_;
  std::string slavePath_;
  std::string link_;
  TMasterChannel master_;
};

}  // namespace

std::unique_ptr<TPseudoTerminal> TPseudoTerminal::Open(const std::string& linkPath) {
  int master = -1;
  int slave = -1;
  if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) throw PtyError("openpty");
  ::fcntl(master, F_SETFD, FD_CLOEXEC);
  ::fcntl(slave, F_SETFD, FD_CLOEXEC);
  termios settings{};
  char name[PATH_MAX];
  if (::tcgetattr(slave, &settings) != 0 || ::ptsname_r(master, name, sizeof name) != 0) {
    const std::runtime_error error = PtyError("pseudo-terminal set-up");
    ::close(master);
    ::close(slave);
    throw error;
  }
  ::cfmakeraw(&settings);
  ::tcsetattr(slave, TCSANOW, &settings);
  if (!linkPath.empty()) {
    try {
      ReplaceLink(linkPath, name);
    } catch (...) {
      ::close(master);
      ::close(slave);
      throw;
    }
  }
  return std::make_unique<TPosixPty>(master, slave, name, linkPath);
}

}  // namespace danvore::platform
