// TCP client sockets for the register link (BSD sockets / Winsock).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace danvore::platform {

// Starts the socket layer (Winsock 2.2; nothing to do elsewhere). False with
// the system's text in `error` when it cannot start.
bool StartSocketLayer(std::string& error);
// Releases one successful StartSocketLayer.
void StopSocketLayer();

class TTcpClient {
 public:
  TTcpClient();
  ~TTcpClient();
  TTcpClient(const TTcpClient&) = delete;
  TTcpClient& operator=(const TTcpClient&) = delete;

  // Connects within `timeoutMs`; throws std::runtime_error with the reason.
  void Connect(const std::string& host, std::uint16_t port, int timeoutMs);
  // Closes the socket; with `notifyPeer` the peer is told first (shutdown).
  void Disconnect(bool notifyPeer) noexcept;
  // The socket is open and the peer has not closed its side.
  bool Connected() const;

  // Keep-alive: switching it on, then its idle time and probe interval
  // (rounded to whole seconds where the system counts in seconds). False with
  // the system's text in `error` when refused.
  bool EnableKeepAlive(std::string& error);
  bool SetKeepAliveTimes(int idleMs, int intervalMs, std::string& error);

  // Waits up to `timeoutMs` for something to read (data or the peer's close).
  bool WaitReadable(int timeoutMs);
  // Takes the bytes waiting now, at most `capacity`, without blocking.
  // Throws std::runtime_error when the peer has closed or the socket fails.
  std::size_t ReadAvailable(std::uint8_t* dest, std::size_t capacity);
  // Sends every byte; throws std::runtime_error on failure.
  void Write(const std::uint8_t* data, std::size_t count);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace danvore::platform
