// Winsock must come before windows.h, and mstcpip.h after both.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <mstcpip.h>

#include <stdexcept>

#include "platform/clock.h"
#include "platform/socket.h"
#include "platform/syserror.h"

namespace danvore::platform {

namespace {

std::string SocketErrorText() {
  return SystemErrorText(WSAGetLastError());
}

void SetBlocking(SOCKET s, bool blocking) {
  u_long nonBlocking = blocking ? 0 : 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
}

// Waits for `s` to become writable (connected) or failed within `timeoutMs`.
int WaitConnected(SOCKET s, int timeoutMs) {
  fd_set writable;
  fd_set failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(s, &writable);
  FD_SET(s, &failed);
  timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  const int ready = select(0, nullptr, &writable, &failed, &wait);
  if (ready <= 0) return WSAETIMEDOUT;
  int code = 0;
  int length = sizeof(code);
  if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&code), &length) != 0) {
    return WSAGetLastError();
  }
  return code;
}

SOCKET ConnectOne(const addrinfo& address, int timeoutMs, std::string& error) {
  SOCKET s = socket(address.ai_family, address.ai_socktype, address.ai_protocol);
  if (s == INVALID_SOCKET) {
    error = SocketErrorText();
    return INVALID_SOCKET;
  }
  SetBlocking(s, false);
  int code = 0;
  if (connect(s, address.ai_addr, static_cast<int>(address.ai_addrlen)) != 0) {
    code = WSAGetLastError();
    if (code == WSAEWOULDBLOCK) code = WaitConnected(s, timeoutMs);
  }
  if (code != 0) {
    error = SystemErrorText(code);
    closesocket(s);
    return INVALID_SOCKET;
  }
  SetBlocking(s, true);
  return s;
}

}  // namespace

bool StartSocketLayer(std::string& error) {
  WSADATA data{};
  const int code = WSAStartup(MAKEWORD(2, 2), &data);
  if (code == 0) return true;
  error = SystemErrorText(code);
  return false;
}

void StopSocketLayer() {
  WSACleanup();
}

struct TTcpClient::Impl {
  SOCKET s = INVALID_SOCKET;
};

TTcpClient::TTcpClient() : impl_(std::make_unique<Impl>()) {}

TTcpClient::~TTcpClient() {
  Disconnect(false);
}

void TTcpClient::Connect(const std::string& host, std::uint16_t port, int timeoutMs) {
  Disconnect(false);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
    throw std::runtime_error("Host " + host + " not found: " + SocketErrorText());
  }
  std::string error = "no address";
  const std::int64_t deadline = MonotonicMs() + timeoutMs;
  for (const addrinfo* entry = found; entry != nullptr && impl_->s == INVALID_SOCKET;
       entry = entry->ai_next) {
    const std::int64_t left = deadline - MonotonicMs();
    if (left <= 0) {
      error = SystemErrorText(WSAETIMEDOUT);
      break;
    }
    impl_->s = ConnectOne(*entry, static_cast<int>(left), error);
  }
  freeaddrinfo(found);
  if (impl_->s == INVALID_SOCKET) {
    throw std::runtime_error("Connect to " + host + ":" + std::to_string(port) +
                             " failed: " + error);
  }
}

void TTcpClient::Disconnect(bool notifyPeer) noexcept {
  if (impl_->s == INVALID_SOCKET) return;
  if (notifyPeer) shutdown(impl_->s, SD_BOTH);
  closesocket(impl_->s);
  impl_->s = INVALID_SOCKET;
}

bool TTcpClient::Connected() const {
  if (impl_->s == INVALID_SOCKET) return false;
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(impl_->s, &readable);
  timeval now{0, 0};
  const int ready = select(0, &readable, nullptr, nullptr, &now);
  if (ready == SOCKET_ERROR) return false;
  if (ready == 0) return true;
  char probe = 0;
  const int got = recv(impl_->s, &probe, 1, MSG_PEEK);
  return got > 0;
}

bool TTcpClient::EnableKeepAlive(std::string& error) {
  const BOOL on = TRUE;
  if (setsockopt(impl_->s, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&on),
                 sizeof(on)) == 0) {
    return true;
  }
  error = SocketErrorText();
  return false;
}

bool TTcpClient::SetKeepAliveTimes(int idleMs, int intervalMs, std::string& error) {
  tcp_keepalive values{};
  values.onoff = 1;
  values.keepalivetime = static_cast<ULONG>(idleMs);
  values.keepaliveinterval = static_cast<ULONG>(intervalMs);
  DWORD returned = 0;
  if (WSAIoctl(impl_->s, SIO_KEEPALIVE_VALS, &values, sizeof(values), nullptr, 0, &returned,
               nullptr, nullptr) == 0) {
    return true;
  }
  error = SocketErrorText();
  return false;
}

bool TTcpClient::WaitReadable(int timeoutMs) {
  if (impl_->s == INVALID_SOCKET) return false;
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(impl_->s, &readable);
  const int wait = timeoutMs < 0 ? 0 : timeoutMs;
  timeval limit{wait / 1000, (wait % 1000) * 1000};
  return select(0, &readable, nullptr, nullptr, &limit) > 0;
}

std::size_t TTcpClient::ReadAvailable(std::uint8_t* dest, std::size_t capacity) {
  if (impl_->s == INVALID_SOCKET) throw std::runtime_error("Not Connected");
  u_long waiting = 0;
  if (ioctlsocket(impl_->s, FIONREAD, &waiting) != 0) throw std::runtime_error(SocketErrorText());
  if (waiting == 0 && !WaitReadable(0)) return 0;
  // Readable with nothing waiting: the peer closed, or the socket failed.
  const std::size_t wanted = waiting == 0 ? 1 : (waiting < capacity ? waiting : capacity);
  const int got = recv(impl_->s, reinterpret_cast<char*>(dest), static_cast<int>(wanted), 0);
  if (got == 0) throw std::runtime_error("Connection Closed Gracefully.");
  if (got < 0) throw std::runtime_error(SocketErrorText());
  return static_cast<std::size_t>(got);
}

void TTcpClient::Write(const std::uint8_t* data, std::size_t count) {
  if (impl_->s == INVALID_SOCKET) throw std::runtime_error("Not Connected");
  std::size_t done = 0;
  while (done < count) {
    const int put = send(impl_->s, reinterpret_cast<const char*>(data + done),
                         static_cast<int>(count - done), 0);
    if (put == SOCKET_ERROR) throw std::runtime_error(SocketErrorText());
    done += static_cast<std::size_t>(put);
  }
}

}  // namespace danvore::platform
