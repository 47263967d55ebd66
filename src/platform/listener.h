// Listening TCP socket for the register simulator: one bound address, one
// connection accepted at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/byte_channel.h"

namespace danvore::platform {

class TTcpListener {
 public:
  TTcpListener();
  ~TTcpListener();
  TTcpListener(const TTcpListener&) = delete;
  TTcpListener& operator=(const TTcpListener&) = delete;

  // Binds `host` (an address or a name) and `port` (0 picks a free one) and
  // starts listening. Returns the bound port; throws std::runtime_error.
  std::uint16_t Listen(const std::string& host, std::uint16_t port);
  // Waits at most `timeoutMs` for a connection; nullptr when none came.
  std::unique_ptr<TByteChannel> Accept(int timeoutMs);
  void Close() noexcept;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// True for "localhost", "::1" and every IPv4 address of 127.0.0.0/8.
bool IsLoopbackHost(const std::string& host);

}  // namespace danvore::platform
