// A connected byte stream on the register's side of the wire: an accepted
// socket, the master end of a pseudo-terminal or a serial device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace danvore::platform {

enum class TReadStatus : std::uint8_t { rsData, rsTimeOut, rsClosed };

class TByteChannel {
 public:
  virtual ~TByteChannel() = default;

  // Waits at most `timeoutMs` for input and appends what is there to `out`.
  virtual TReadStatus Read(std::vector<std::uint8_t>& out, int timeoutMs) = 0;
  // Writes every byte; false when the peer is gone.
  virtual bool Write(const std::uint8_t* data, std::size_t length) = 0;
  virtual void Close() noexcept = 0;

  // The line speed the peer has set, when the channel can observe it (a
  // pseudo-terminal); 0 otherwise.
  virtual int PeerBaud() const { return 0; }
  // Changes the channel's own line speed where it has one (a serial device).
  virtual void SetBaud(int /*baud*/) {}
};

}  // namespace danvore::platform
