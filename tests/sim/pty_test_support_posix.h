// The bridge's end of a pseudo-terminal, opened like a serial port.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <string>

#include "platform/termios_speed.h"
#include "sim_test_support.h"

namespace danvore::sim::test {

inline speed_t SpeedOf(int baud) {
  unsigned int speed = 0;
  if (!platform::BaudToSpeed(baud, speed))
    throw std::invalid_argument("speed " + std::to_string(baud));
  return speed;
}

class TPtyTestClient {
 public:
  TPtyTestClient(const std::string& path, int baud) : FFd(::open(path.c_str(), O_RDWR | O_NOCTTY)) {
    if (FFd < 0) throw std::runtime_error("open " + path + ": " + std::to_string(errno));
    termios settings{};
    ::tcgetattr(FFd, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(FFd, TCSANOW, &settings);
    SetBaud(baud);
  }
  ~TPtyTestClient() { ::close(FFd); }
  TPtyTestClient(const TPtyTestClient&) = delete;
  TPtyTestClient& operator=(const TPtyTestClient&) = delete;

  void SetBaud(int baud) {
    termios settings{};
    ::tcgetattr(FFd, &settings);
    ::cfsetispeed(&settings, SpeedOf(baud));
    ::cfsetospeed(&settings, SpeedOf(baud));
    ::tcsetattr(FFd, TCSANOW, &settings);
  }

  void Send(const TBytes& bytes) {
    if (::write(FFd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
      throw std::runtime_error("write failed");
    }
  }

  // Reads until the gathered bytes hold `count` frames; false on time-out or
  // hang-up.
  bool ReadFrames(std::size_t count, std::vector<TSimFrame>& frames, int timeoutMs = 15000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while ((frames = ParseFrames(Gathered)).size() < count) {
      if (std::chrono::steady_clock::now() > deadline || !ReadSome()) return false;
    }
    return true;
  }

  // True once the other side has hung up.
  bool WaitHangUp(int timeoutMs = 15000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
      if (!ReadSome()) return true;
    }
    return false;
  }

  TBytes Gathered;

 private:
  bool ReadSome() {
    pollfd pfd{FFd, POLLIN, 0};
    if (::poll(&pfd, 1, 100) <= 0) return true;
    std::uint8_t buffer[4096];
    const ssize_t n = ::read(FFd, buffer, sizeof buffer);
    if (n <= 0) return n < 0 && errno == EAGAIN;
    Gathered.insert(Gathered.end(), buffer, buffer + n);
    return true;
  }

  int FFd;
};

}  // namespace danvore::sim::test
