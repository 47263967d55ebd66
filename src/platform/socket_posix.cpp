#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/clock.h"
#include "platform/socket.h"

namespace danvore::platform {

namespace {

#ifdef MSG_NOSIGNAL
constexpr int kSendFlags = MSG_NOSIGNAL;
#else
constexpr int kSendFlags = 0;
#endif

std::string ErrnoText(int code) {
  return std::strerror(code);
}

void SetBlocking(int fd, bool blocking) {
  const int flags = ::fcntl(fd, F_GETFL, 0);
  ::fcntl(fd, F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK));
}

// One address: non-blocking connect bounded by `timeoutMs`. Returns the
// socket, or -1 with the reason in `error`.
int ConnectOne(const struct addrinfo& address, int timeoutMs, std::string& error) {
  const int fd =
      ::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC, address.ai_protocol);
  if (fd < 0) {
    error = ErrnoText(errno);
    return -1;
  }
#ifdef SO_NOSIGPIPE
  const int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof(one));
#endif
  SetBlocking(fd, false);
  int code = 0;
  if (::connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
    code = errno;
    if (code == EINPROGRESS) {
      struct pollfd waiter {
        fd, POLLOUT, 0
      };
      const int ready = ::poll(&waiter, 1, timeoutMs);
      socklen_t length = sizeof(code);
      if (ready <= 0) {
        code = ETIMEDOUT;
      } else if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &code, &length) != 0) {
        code = errno;
      }
    }
  }
  if (code != 0) {
    error = ErrnoText(code);
    ::close(fd);
    return -1;
  }
  SetBlocking(fd, true);
  return fd;
}

}  // namespace

bool StartSocketLayer(std::string&) {
  return true;
}

void StopSocketLayer() {}

struct TTcpClient::Impl {
  int fd = -1;
};

TTcpClient::TTcpClient() : impl_(std::make_unique<Impl>()) {}

TTcpClient::~TTcpClient() {
  Disconnect(false);
}

void TTcpClient::Connect(const std::string& host, std::uint16_t port, int timeoutMs) {
  Disconnect(false);
  struct addrinfo hints {};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  struct addrinfo* found = nullptr;
  const int status = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (status != 0) {
    throw std::runtime_error("Host " + host + " not found: " + ::gai_strerror(status));
  }
  std::string error = "no address";
  const std::int64_t deadline = MonotonicMs() + timeoutMs;
  for (const struct addrinfo* entry = found; entry != nullptr && impl_->fd < 0;
       entry = entry->ai_next) {
    const std::int64_t left = deadline - MonotonicMs();
    if (left <= 0) {
      error = ErrnoText(ETIMEDOUT);
      break;
    }
    impl_->fd = ConnectOne(*entry, static_cast<int>(left), error);
  }
  ::freeaddrinfo(found);
  if (impl_->fd < 0) {
    throw std::runtime_error("Connect to " + host + ":" + std::to_string(port) +
                             " failed: " + error);
  }
}

void TTcpClient::Disconnect(bool notifyPeer) noexcept {
  if (impl_->fd < 0) return;
  if (notifyPeer) ::shutdown(impl_->fd, SHUT_RDWR);
  ::close(impl_->fd);
  impl_->fd = -1;
}

bool TTcpClient::Connected() const {
  if (impl_->fd < 0) return false;
  struct pollfd waiter {
    impl_->fd, POLLIN, 0
  };
  if (::poll(&waiter, 1, 0) <= 0) return true;
  if ((waiter.revents & (POLLERR | POLLNVAL)) != 0) return false;
  std::uint8_t probe = 0;
  const ssize_t got = ::recv(impl_->fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
  if (got > 0) return true;
  return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR);
}

bool TTcpClient::EnableKeepAlive(std::string& error) {
  const int on = 1;
  if (::setsockopt(impl_->fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof(on)) == 0) return true;
  error = ErrnoText(errno);
  return false;
}

bool TTcpClient::SetKeepAliveTimes(int idleMs, int intervalMs, std::string& error) {
  // The system counts in whole seconds: the nearest one, at least 1.
  const auto seconds = [](int ms) { return ms < 1500 ? 1 : (ms + 500) / 1000; };
  const int idle = seconds(idleMs);
  const int interval = seconds(intervalMs);
#if defined(TCP_KEEPIDLE)
  const int idleOption = TCP_KEEPIDLE;
#else
  const int idleOption = TCP_KEEPALIVE;
#endif
  if (::setsockopt(impl_->fd, IPPROTO_TCP, idleOption, &idle, sizeof(idle)) != 0 ||
      ::setsockopt(impl_->fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof(interval)) != 0) {
    error = ErrnoText(errno);
    return false;
  }
  return true;
}

bool TTcpClient::WaitReadable(int timeoutMs) {
  if (impl_->fd < 0) return false;
  struct pollfd waiter {
    impl_->fd, POLLIN, 0
  };
  return ::poll(&waiter, 1, timeoutMs < 0 ? 0 : timeoutMs) > 0;
}

std::size_t TTcpClient::ReadAvailable(std::uint8_t* dest, std::size_t capacity) {
  if (impl_->fd < 0) throw std::runtime_error("Not Connected");
  std::size_t total = 0;
  while (total < capacity) {
    const ssize_t got = ::recv(impl_->fd, dest + total, capacity - total, MSG_DONTWAIT);
    if (got > 0) {
      total += static_cast<std::size_t>(got);
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    // Bytes already taken go to the caller; the close shows on the next read.
    if (total > 0) break;
    if (got == 0) throw std::runtime_error("Connection Closed Gracefully.");
    throw std::runtime_error(ErrnoText(errno));
  }
  return total;
}

void TTcpClient::Write(const std::uint8_t* data, std::size_t count) {
  if (impl_->fd < 0) throw std::runtime_error("Not Connected");
  std::size_t done = 0;
  while (done < count) {
    const ssize_t put = ::send(impl_->fd, data + done, count - done, kSendFlags);
    if (put < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error(ErrnoText(errno));
    }
    done += static_cast<std::size_t>(put);
  }
}

}  // namespace danvore::platform
