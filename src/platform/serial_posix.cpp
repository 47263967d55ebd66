#include <fcntl.h>
#include <glob.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/clock.h"
#include "platform/serial.h"
#include "platform/serial_custom_baud.h"
#include "platform/syserror.h"
#include "platform/termios_speed.h"

namespace danvore::platform {

namespace {

[[noreturn]] void ThrowErrno(const std::string& what) {
  throw std::runtime_error(what + ": " + std::strerror(errno));
}

// The code Windows gives a setting it refuses.
constexpr int kErrorInvalidParameter = 87;

void Configure(int fd, int baudRate) {
  // Rate 0 would hang the line up and a negative one would wrap to a huge
  // speed: refuse both with the text Windows gives for such a setting.
  if (baudRate <= 0) {
    throw std::runtime_error("tcsetattr: " + SystemErrorText(kErrorInvalidParameter));
  }
  struct termios settings {};
  if (::tcgetattr(fd, &settings) != 0) ThrowErrno("tcgetattr");
  ::cfmakeraw(&settings);
  settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS | HUPCL);
  settings.c_cflag |= CS8 | CLOCAL | CREAD;
  settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  unsigned int speed = 0;
  const bool standard = BaudToSpeed(baudRate, speed);
  if (standard) {
    ::cfsetispeed(&settings, speed);
    ::cfsetospeed(&settings, speed);
  }
  if (::tcsetattr(fd, TCSANOW, &settings) != 0) ThrowErrno("tcsetattr");
  if (!standard && !SetCustomBaudRate(fd, baudRate)) {
    throw std::runtime_error("Baud rate " + std::to_string(baudRate) + " is not supported");
  }
  // Pseudo-terminals have no modem lines; that is not an error here.
  int lines = TIOCM_RTS | TIOCM_DTR;
  ::ioctl(fd, TIOCMBIC, &lines);
  ::tcflush(fd, TCIOFLUSH);
}

}  // namespace

struct TSerialPort::Impl {
  int fd = -1;
};

TSerialPort::TSerialPort() : impl_(std::make_unique<Impl>()) {}

TSerialPort::~TSerialPort() {
  Close();
}

void TSerialPort::Open(const std::string& name, int baudRate) {
  Close();
  const int fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) ThrowErrno("Open " + name);
  try {
    // Exclusive like a Windows COM port; not every device supports it.
    ::ioctl(fd, TIOCEXCL);
    Configure(fd, baudRate);
  } catch (...) {
    ::close(fd);
    throw;
  }
  impl_->fd = fd;
}

void TSerialPort::Close() noexcept {
  if (impl_->fd < 0) return;
  // The flag belongs to the device and outlives this descriptor when another
  // one stays open (a simulator's end of a pseudo-terminal): give it back.
  ::ioctl(impl_->fd, TIOCNXCL);
  ::close(impl_->fd);
  impl_->fd = -1;
}

bool TSerialPort::IsOpen() const {
  return impl_->fd >= 0;
}

std::size_t TSerialPort::Read(std::uint8_t* dest, std::size_t capacity, int timeoutMs) {
  if (impl_->fd < 0) throw std::runtime_error("Port not open");
  struct pollfd waiter {
    impl_->fd, POLLIN, 0
  };
  const int ready = ::poll(&waiter, 1, timeoutMs < 0 ? 0 : timeoutMs);
  if (ready < 0 && errno != EINTR) ThrowErrno("poll");
  if (ready <= 0) return 0;
  if ((waiter.revents & (POLLERR | POLLNVAL)) != 0) throw std::runtime_error("Port failed");
  const ssize_t got = ::read(impl_->fd, dest, capacity);
  if (got < 0) {
    if (errno == EAGAIN || errno == EINTR) return 0;
    ThrowErrno("read");
  }
  if (got == 0) throw std::runtime_error("Port closed");
  return static_cast<std::size_t>(got);
}

void TSerialPort::Write(const std::uint8_t* data, std::size_t count) {
  if (impl_->fd < 0) throw std::runtime_error("Port not open");
  const std::int64_t deadline = MonotonicMs() + 1000 + 100 * static_cast<std::int64_t>(count);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t put = ::write(impl_->fd, data + done, count - done);
    if (put > 0) {
      done += static_cast<std::size_t>(put);
      continue;
    }
    if (put < 0 && errno != EAGAIN && errno != EINTR) ThrowErrno("write");
    const std::int64_t left = deadline - MonotonicMs();
    if (left <= 0) throw std::runtime_error("Write time-out");
    struct pollfd waiter {
      impl_->fd, POLLOUT, 0
    };
    ::poll(&waiter, 1, static_cast<int>(left));
  }
}

bool ComPortPresent(const std::string& name) {
  struct stat info {};
  return !name.empty() && ::stat(name.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}

std::vector<std::string> ListSerialPorts() {
  std::vector<std::string> names;
  for (const char* pattern :
       {"/dev/ttyS*", "/dev/ttyUSB*", "/dev/ttyACM*", "/dev/serial/by-id/*"}) {
    glob_t found{};
    if (::glob(pattern, 0, nullptr, &found) == 0) {
      for (std::size_t i = 0; i < found.gl_pathc; ++i) {
        if (ComPortPresent(found.gl_pathv[i])) names.emplace_back(found.gl_pathv[i]);
      }
    }
    ::globfree(&found);
  }
  SortPortNames(names);
  return names;
}

}  // namespace danvore::platform
