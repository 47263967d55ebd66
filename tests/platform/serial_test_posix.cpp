// Serial ports on pseudo-terminal pairs.
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <climits>
#include <stdexcept>
#include <string>

#include "platform/serial.h"
#include "platform/syserror.h"

namespace danvore::platform {
namespace {

// Both ends stay open for the life of the test, as with a simulator.
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
    ::close(FMaster);
    ::close(FSlave);
  }
  TPtyPair(const TPtyPair&) = delete;
  TPtyPair& operator=(const TPtyPair&) = delete;

  const std::string& SlavePath() const { return FSlavePath; }
  int Slave() const { return FSlave; }

 private:
  int FMaster = -1;
  int FSlave = -1;
  std::string FSlavePath;
};

TEST(SerialPortPosix, RateOfZeroOrLessIsAnInvalidParameter) {
  for (const int rate : {0, -1, INT_MIN}) {
    SCOPED_TRACE(rate);
    TPtyPair pty;
    struct termios before {};
    ASSERT_EQ(::tcgetattr(pty.Slave(), &before), 0);
    TSerialPort port;
    try {
      port.Open(pty.SlavePath(), rate);
      ADD_FAILURE() << "opened";
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(std::string(error.what()), "tcsetattr: " + SystemErrorText(87));
    }
    EXPECT_FALSE(port.IsOpen());
    struct termios after {};
    ASSERT_EQ(::tcgetattr(pty.Slave(), &after), 0);
    EXPECT_EQ(::cfgetospeed(&after), ::cfgetospeed(&before));
  }
}

TEST(SerialPortPosix, PositiveRatesOpen) {
  for (const int rate : {1, 9600, 250000}) {
    SCOPED_TRACE(rate);
    TPtyPair pty;
    TSerialPort port;
    port.Open(pty.SlavePath(), rate);
    EXPECT_TRUE(port.IsOpen());
  }
}

}  // namespace
}  // namespace danvore::platform
