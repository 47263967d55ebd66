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

#include "platform/fd_channel_posix.h"
#include "platform/listener.h"

namespace danvore::platform {

namespace {

class TSocketChannel : public TByteChannel {
 public:
  explicit TSocketChannel(int fd) : fd_(fd) {}
  ~TSocketChannel() override { Close(); }

  TReadStatus Read(std::vector<std::uint8_t>& out, int timeoutMs) override {
    if (fd_ < 0) return TReadStatus::rsClosed;
    return detail::ReadAvailable(fd_, out, timeoutMs);
  }

  bool Write(const std::uint8_t* data, std::size_t length) override {
    return fd_ >= 0 &&
           detail::WriteEvery(data, length, [this](const std::uint8_t* p, std::size_t n) {
             return ::send(fd_, p, n, MSG_NOSIGNAL);
           });
  }

  void Close() noexcept override {
    if (fd_ < 0) return;
    ::shutdown(fd_, SHUT_RDWR);
    ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

}  // namespace

struct TTcpListener::Impl {
  int fd = -1;
};

TTcpListener::TTcpListener() : impl_(std::make_unique<Impl>()) {}

TTcpListener::~TTcpListener() {
  Close();
}

std::uint16_t TTcpListener::Listen(const std::string& host, std::uint16_t port) {
  Close();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  const int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
  if (rc != 0) throw std::runtime_error("cannot resolve " + host + ": " + ::gai_strerror(rc));
  std::string error = "no address";
  for (addrinfo* ai = found; ai != nullptr; ai = ai->ai_next) {
    const int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC, ai->ai_protocol);
    if (fd < 0) continue;
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(fd, ai->ai_addr, ai->ai_addrlen) == 0 && ::listen(fd, 8) == 0) {
      impl_->fd = fd;
      break;
    }
    error = std::strerror(errno);
    ::close(fd);
  }
  ::freeaddrinfo(found);
  if (impl_->fd < 0)
    throw std::runtime_error("cannot listen on " + host + ":" + service + ": " + error);
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  ::getsockname(impl_->fd, reinterpret_cast<sockaddr*>(&bound), &length);
  if (bound.ss_family == AF_INET6) {
    return ntohs(reinterpret_cast<const sockaddr_in6*>(&bound)->sin6_port);
  }
  return ntohs(reinterpret_cast<const sockaddr_in*>(&bound)->sin_port);
}

std::unique_ptr<TByteChannel> TTcpListener::Accept(int timeoutMs) {
  if (impl_->fd < 0) return nullptr;
  pollfd pfd{impl_->fd, POLLIN, 0};
  if (::poll(&pfd, 1, timeoutMs) <= 0) return nullptr;
  const int fd = ::accept4(impl_->fd, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return nullptr;
  // Replies split on purpose must leave as separate segments.
  const int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return std::make_unique<TSocketChannel>(fd);
}

void TTcpListener::Close() noexcept {
  if (impl_->fd < 0) return;
  ::close(impl_->fd);
  impl_->fd = -1;
}

}  // namespace danvore::platform
