// The serial transport on pseudo-terminal pairs: the test plays the register
// on the master end.
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "core/errors.h"
#include "link/link_test_support.h"
#include "link/serial_transport.h"
#include "platform/clock.h"
#include "platform/serial.h"
#include "support/pty_pair.h"

namespace danvore {
namespace {

class SerialTransportTest : public ::testing::Test {
 protected:
  test::TAppRunning running;
  test::TPtyPair pty;
};

TEST_F(SerialTransportTest, OpenLogsAndTheFrameReachesThePeer) {
  test::TLogCapture log;
  TSerialTransport transport({cmCOM, pty.SlavePath(), 9600});
  transport.Open();
  ASSERT_EQ(log.Lines().size(), 1u);
  EXPECT_EQ(log.Lines()[0].Level, llInfor);
  EXPECT_EQ(log.Lines()[0].Text, "Connected with Serial:" + pty.SlavePath() + ":9600");
  transport.WriteFrame(TWriteArgs{TBytes{1, 2, 3, 4}, 3, 500});
  EXPECT_EQ(pty.Read(3), (TBytes{1, 2, 3}));
  EXPECT_FALSE(pty.HasInput(50));
}

TEST_F(SerialTransportTest, LineSettingsFollowTheConfiguredRate) {
  struct Case {
    int Baud;
    speed_t Speed;
  };
  for (const Case c : {Case{9600, B9600}, Case{4800, B4800}, Case{38400, B38400},
                       Case{115200, B115200}, Case{230400, B230400}}) {
    SCOPED_TRACE(c.Baud);
    TSerialTransport transport({cmCOM, pty.SlavePath(), c.Baud});
    transport.Open();
    struct termios settings {};
    ASSERT_EQ(::tcgetattr(pty.Slave(), &settings), 0);
    EXPECT_EQ(::cfgetospeed(&settings), c.Speed);
    EXPECT_EQ(::cfgetispeed(&settings), c.Speed);
    EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(settings.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF), 0u);
    transport.Close();
  }
}

TEST_F(SerialTransportTest, RateWithoutAStandardCodeIsAccepted) {
  TSerialTransport transport({cmCOM, pty.SlavePath(), 250000});
  transport.Open();
  transport.WriteFrame(TWriteArgs{TBytes{7}, 1, 500});
  EXPECT_EQ(pty.Read(1), TBytes{7});
}

TEST_F(SerialTransportTest, ReadTakesEverythingThatIsWaiting) {
  TSerialTransport transport({cmCOM, pty.SlavePath(), 115200});
  transport.Open();
  TBytes block(3000);
  for (std::size_t i = 0; i < block.size(); ++i)
    block[i] = static_cast<std::uint8_t>(i);
  pty.Write(block);
  TBytes got;
  for (int i = 0; i < 100 && got.size() < block.size(); ++i) {
    const TBytes part = transport.ReadAvailable();
    got.insert(got.end(), part.begin(), part.end());
  }
  EXPECT_EQ(got, block);
}

TEST_F(SerialTransportTest, SilentLineGivesAnEmptyRead) {
  TSerialTransport transport({cmCOM, pty.SlavePath(), 9600});
  transport.Open();
  EXPECT_TRUE(transport.ReadAvailable().empty());
}

// Two bursts written by the "register" `gapMs` apart. A trial counts only
// when the scheduler kept the gap it was asked for (within 25 ms) and the
// reader took the first burst within 20 ms, so a loaded machine repeats the
// trial instead of failing it.
TEST_F(SerialTransportTest, BurstsCloseTogetherComeInOneReadAndApartInTwo) {
  struct Case {
    int GapMs;
    std::size_t Reads;
  };
  const TBytes first{0xA1, 0xA2, 0xA3, 0xA4};
  const TBytes second{0xB1, 0xB2, 0xB3};
  for (const Case c : {Case{30, 1}, Case{100, 2}}) {
    SCOPED_TRACE(c.GapMs);
    TSerialTransport transport({cmCOM, pty.SlavePath(), 115200});
    transport.Open();
    bool judged = false;
    for (int trial = 0; trial < 10 && !judged; ++trial) {
      std::atomic<std::int64_t> gap{0};
      std::atomic<std::int64_t> taken{0};
      std::thread registerSide([&] {
        pty.Write(first);
        const std::int64_t start = platform::MonotonicMs();
        const auto elapsed = [start] { return platform::MonotonicMs() - start; };
        // The bytes leave the line's input queue when the reader takes them.
        while (pty.Waiting() > 0 && elapsed() < c.GapMs)
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        taken = elapsed();
        std::this_thread::sleep_for(std::chrono::milliseconds(c.GapMs - taken));
        pty.Write(second);
        gap = elapsed();
      });
      std::vector<TBytes> reads;
      std::size_t total = 0;
      for (int i = 0; i < 200 && total < first.size() + second.size(); ++i) {
        TBytes part = transport.ReadAvailable();
        if (part.empty()) continue;
        total += part.size();
        reads.push_back(std::move(part));
      }
      registerSide.join();
      if (gap > c.GapMs + 25 || taken > 20) continue;
      judged = true;
      ASSERT_EQ(reads.size(), c.Reads);
      EXPECT_EQ(reads.front().front(), 0xA1);
      EXPECT_EQ(reads.back().back(), 0xB3);
    }
    EXPECT_TRUE(judged) << "the scheduler never kept the gap";
  }
}

TEST_F(SerialTransportTest, AbsentPortFailsToOpen) {
  TSerialTransport transport({cmCOM, "/dev/danvore-no-such-port", 9600});
  try {
    transport.Open();
    FAIL() << "Open succeeded";
  } catch (const EConnect& error) {
    EXPECT_EQ(std::string(error.what()), SysErrorMessage(ERROR_BAD_UNIT_CODE));
  }
}

TEST_F(SerialTransportTest, PeerThatHangsUpEndsReadsAndWrites) {
  TSerialTransport transport({cmCOM, pty.SlavePath(), 9600});
  transport.Open();
  pty.CloseMaster();
  EXPECT_THROW(transport.ReadAvailable(), EConnect);
  EXPECT_THROW(transport.WriteFrame(TWriteArgs{TBytes{1}, 1, 500}), EConnect);
}

TEST_F(SerialTransportTest, ShuttingDownFailsBeforeTouchingThePort) {
  TSerialTransport transport({cmCOM, pty.SlavePath(), 9600});
  transport.Open();
  pty.Write({1, 2, 3});
  GetConfig().AppRunning = false;
  test::ExpectWriteAndReadCanceled(transport);
  EXPECT_FALSE(pty.HasInput(50));
  GetConfig().AppRunning = true;
  EXPECT_EQ(transport.ReadAvailable(), (TBytes{1, 2, 3}));
}

TEST_F(SerialTransportTest, PresenceOfPorts) {
  char regular[] = "/tmp/danvore-port-XXXXXX";
  const int fd = ::mkstemp(regular);
  ASSERT_GE(fd, 0);
  ::close(fd);
  TSerialTransport holder({cmCOM, pty.SlavePath(), 9600});
  holder.Open();
  struct Case {
    std::string Name;
    bool Present;
  };
  const Case cases[] = {
      {pty.SlavePath(), true},  // held open by this process
      {"/dev/danvore-no-such-port", false},
      {"", false},
      {regular, false},
      {"/dev", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(platform::ComPortPresent(c.Name), c.Present) << c.Name;
  ::unlink(regular);
}

TEST(SerialPortListTest, NamesAreSortedWithoutRegardToCaseAndUnique) {
  std::vector<std::string> names = {"COM10", "com2", "COM1", "/dev/ttyUSB0", "COM1", "Com3"};
  platform::SortPortNames(names);
  EXPECT_EQ(names, (std::vector<std::string>{"/dev/ttyUSB0", "COM1", "COM10", "com2", "Com3"}));

  const std::vector<std::string> ports = platform::ListSerialPorts();
  std::vector<std::string> sorted = ports;
  platform::SortPortNames(sorted);
  EXPECT_EQ(ports, sorted);
  for (const std::string& port : ports)
    EXPECT_TRUE(platform::ComPortPresent(port)) << port;
}

}  // namespace
}  // namespace danvore
