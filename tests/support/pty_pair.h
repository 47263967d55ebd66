// A pseudo-terminal pair for serial tests; both ends stay open for the life
// of the test, as with a simulator, and the test plays the register on the
// master end.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "core/bytes.h"
#include "platform/clock.h"

namespace danvore::test {

class TPtyPair {
 public:
  TPtyPair() {
    char name[256] = {};
    if (::openpty(&FMaster, &FSlave, name, nullptr, nullptr) != 0) {
      throw std::runtime_error("openpty failed");
    }
    FSlavePath = name;
  }
  ~TPtyPair() {
    CloseMaster();
    ::close(FSlave);
  }
  TPtyPair(const TPtyPair&) = delete;
  TPtyPair& operator=(const TPtyPair&) = delete;

  const std::string& SlavePath() const { return FSlavePath; }
  // Bytes written to the line that its reader has not taken yet.
  int Waiting() const {
    int count = 0;
    return ::ioctl(FSlave, FIONREAD, &count) == 0 ? count : 0;
  }
  int Slave() const { return FSlave; }

  void Write(const TBytes& bytes) const {
    ASSERT_EQ(::write(FMaster, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // What the bridge wrote: waits up to 10 s for `count` bytes.
  TBytes Read(std::size_t count) const {
    TBytes got;
    const std::int64_t deadline = platform::MonotonicMs() + 10000;
    while (got.size() < count && platform::MonotonicMs() < deadline) {
      struct pollfd waiter {
        FMaster, POLLIN, 0
      };
      if (::poll(&waiter, 1, 100) <= 0) continue;
      std::uint8_t chunk[4096];
      const ssize_t n = ::read(FMaster, chunk, sizeof(chunk));
      if (n <= 0) break;
      got.insert(got.end(), chunk, chunk + n);
    }
    return got;
  }
  bool HasInput(int waitMs) const {
    struct pollfd waiter {
      FMaster, POLLIN, 0
    };
    return ::poll(&waiter, 1, waitMs) > 0;
  }
  void CloseMaster() {
    if (FMaster >= 0) ::close(FMaster);
    FMaster = -1;
  }

 private:
  int FMaster = -1;
  int FSlave = -1;
  std::string FSlavePath;
};

}  // namespace danvore::test
