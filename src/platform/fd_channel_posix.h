// The read and write steps shared by the byte channels over a descriptor
// (a socket or a pseudo-terminal). Internal to the platform layer.
#pragma once

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/byte_channel.h"

namespace danvore::platform::detail {

// Whatever `fd` has within `timeoutMs`, appended to `out`.
inline TReadStatus ReadAvailable(int fd, std::vector<std::uint8_t>& out, int timeoutMs) {
  pollfd pfd{fd, POLLIN, 0};
  const int ready = ::poll(&pfd, 1, timeoutMs);
  if (ready == 0 || (ready < 0 && errno == EINTR)) return TReadStatus::rsTimeOut;
  if (ready < 0) return TReadStatus::rsClosed;
  std::uint8_t buffer[4096];
  const ssize_t n = ::read(fd, buffer, sizeof buffer);
  if (n > 0) {
    out.insert(out.end(), buffer, buffer + n);
    return TReadStatus::rsData;
  }
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return TReadStatus::rsTimeOut;
  return TReadStatus::rsClosed;
}

// Writes every byte through `writeSome` (a write(2)-like call); false when
// the peer is gone.
template <typename TWriteSome>
bool WriteEvery(const std::uint8_t* data, std::size_t length, TWriteSome writeSome) {
  while (length > 0) {
    const ssize_t n = writeSome(data, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    length -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace danvore::platform::detail
