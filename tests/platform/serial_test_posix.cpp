// Serial ports on pseudo-terminal pairs.
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <climits>
#include <stdexcept>
#include <string>

#include "platform/serial.h"
#include "platform/syserror.h"
#include "support/pty_pair.h"

namespace danvore::platform {
namespace {

using test::TPtyPair;

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
