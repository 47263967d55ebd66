#include <winsock2.h>
#include <ws2tcpip.h>

#include <stdexcept>

#include "platform/listener.h"
#include "platform/syserror.h"

namespace danvore::platform {

namespace {

// Waits for `s` to become readable; true when it did.
bool WaitReadable(SOCKET s, int timeoutMs) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  return ::select(0, &set, nullptr, nullptr, &tv) > 0;
}

class TSocketChannel : public TByteChannel {
 public:
  explicit TSocketChannel(SOCKET s) : s_(s) {}
  ~TSocketChannel() override { Close(); }

  TReadStatus Read(std::vector<std::uint8_t>& out, int timeoutMs) override {
    if (s_ == INVALID_SOCKET) return TReadStatus::rsClosed;
    if (!WaitReadable(s_, timeoutMs)) return TReadStatus::rsTimeOut;
    char buffer[4096];
    const int n = ::recv(s_, buffer, sizeof buffer, 0);
    if (n <= 0) return TReadStatus::rsClosed;
    out.insert(out.end(), reinterpret_cast<std::uint8_t*>(buffer),
               reinterpret_cast<std::uint8_t*>(buffer) + n);
    return TReadStatus::rsData;
  }

  bool Write(const std::uint8_t* data, std::size_t length) override {
    while (length > 0 && s_ != INVALID_SOCKET) {
      const int n = ::send(s_, reinterpret_cast<const char*>(data), static_cast<int>(length), 0);
      if (n <= 0) return false;
      data += n;
      length -= static_cast<std::size_t>(n);
    }
    return length == 0;
  }

  void Close() noexcept override {
    if (s_ == INVALID_SOCKET) return;
    ::shutdown(s_, SD_BOTH);
    ::closesocket(s_);
    s_ = INVALID_SOCKET;
  }

 private:
  SOCKET s_;
};

}  // namespace

struct TTcpListener::Impl {
  SOCKET s = INVALID_SOCKET;
  bool started = false;
};

TTcpListener::TTcpListener() : impl_(std::make_unique<Impl>()) {
  WSADATA data;
  impl_->started = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

TTcpListener::~TTcpListener() {
  Close();
  if (impl_->started) ::WSACleanup();
}

std::uint16_t TTcpListener::Listen(const std::string& host, std::uint16_t port) {
  Close();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0) {
    throw std::runtime_error("cannot resolve " + host + ": " + LastSystemErrorText());
  }
  std::string error = "no address";
  for (addrinfo* ai = found; ai != nullptr; ai = ai->ai_next) {
    const SOCKET s = ::socket(ai->ai_family, ai->ai_socktype, ai->ai_protocol);
    if (s == INVALID_SOCKET) continue;
    if (::bind(s, ai->ai_addr, static_cast<int>(ai->ai_addrlen)) == 0 && ::listen(s, 8) == 0) {
      impl_->s = s;
      break;
    }
    error = SystemErrorText(::WSAGetLastError());
    ::closesocket(s);
  }
  ::freeaddrinfo(found);
  if (impl_->s == INVALID_SOCKET) {
    throw std::runtime_error("cannot listen on " + host + ":" + service + ": " + error);
  }
  sockaddr_storage bound{};
  int length = sizeof bound;
  ::getsockname(impl_->s, reinterpret_cast<sockaddr*>(&bound), &length);
  if (bound.ss_family == AF_INET6) {
    return ntohs(reinterpret_cast<const sockaddr_in6*>(&bound)->sin6_port);
  }
  return ntohs(reinterpret_cast<const sockaddr_in*>(&bound)->sin_port);
}

std::unique_ptr<TByteChannel> TTcpListener::Accept(int timeoutMs) {
  if (impl_->s == INVALID_SOCKET || !WaitReadable(impl_->s, timeoutMs)) return nullptr;
  const SOCKET s = ::accept(impl_->s, nullptr, nullptr);
  if (s == INVALID_SOCKET) return nullptr;
  // Replies split on purpose must leave as separate segments.
  const BOOL one = TRUE;
  ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
  return std::make_unique<TSocketChannel>(s);
}

void TTcpListener::Close() noexcept {
  if (impl_->s == INVALID_SOCKET) return;
  ::closesocket(impl_->s);
  impl_->s = INVALID_SOCKET;
}

}  // namespace danvore::platform
