// The simulator behind a pseudo-terminal, and behind a serial device (the
// slave end of a pair that the test opens), driven with TProtocol frames.
#include <pty.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "ecr-sim/file_append.h"
#include "ecr-sim/simulator.h"
#include "pty_test_support_posix.h"

namespace danvore::sim {
namespace {

using namespace test;

std::string LinkTarget(const std::string& link) {
  char target[PATH_MAX];
  const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
  return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

TEST(PtySimulator, ExchangesThroughTheLink) {
  TTempDir dir;
  const std::string link = dir.File("ecr");
  TSimulator sim;
  const std::string slave = sim.StartPty(link);
  EXPECT_EQ(LinkTarget(link), slave);
  EXPECT_EQ(sim.PtyPath(), slave);

  TPtyTestClient client(link, 9600);
  const struct {
    int Id;
    TBytes Payload;
    TBytes Reply;
  } steps[] = {
      {20000, {}, {0, 0}},
      {10004, SalePayload(250), {}},
      {20000, {}, {0, 0x10}},
      {10004, PaymentPayload(1, 0), {}},
  };
  std::uint32_t packNum = 0;
  for (const auto& step : steps) {
    SCOPED_TRACE(step.Id);
    client.Gathered.clear();
    client.Send(RequestFrame(step.Id, packNum, step.Payload));
    std::vector<TSimFrame> frames;
    ASSERT_TRUE(client.ReadFrames(1, frames));
    TBytes reply;
    EXPECT_EQ(CheckReply(step.Id, packNum, client.Gathered, reply), ccOK);
    EXPECT_EQ(reply, step.Reply);
    ++packNum;
  }
  EXPECT_EQ(sim.DailyTotals().Net(), 250);
  sim.Stop();
  EXPECT_FALSE(std::filesystem::is_symlink(link));
}

TEST(PtySimulator, ProbeIsAnsweredOnlyAtTheRegistersSpeed) {
  TTempDir dir;
  TSimOptions options;
  options.Setup.Baud = 115200;
  TSimulator sim(options);
  TPtyTestClient client(sim.StartPty(dir.File("ecr")), 9600);
  const TBytes probe = {2};  // the bridge will work at 38400

  client.Send(RequestFrame(100, 0, probe, "1"));
  client.Send(RequestFrame(20000, 1, {}, "1"));
  std::vector<TSimFrame> frames;
  ASSERT_TRUE(client.ReadFrames(1, frames));
  EXPECT_EQ(frames[0].Code, 0xE000);  // the probe at 9600 went unheard

  client.Gathered.clear();
  client.SetBaud(115200);
  client.Send(RequestFrame(100, 0, probe, "1"));
  ASSERT_TRUE(client.ReadFrames(1, frames));
  TBytes reply;
  EXPECT_EQ(CheckReply(100, 0, client.Gathered, reply), ccOK);
  EXPECT_EQ(sim.State().Baud(), 38400);

  client.Gathered.clear();
  client.SetBaud(38400);
  client.Send(RequestFrame(100, 0, probe, "1"));
  ASSERT_TRUE(client.ReadFrames(1, frames));
  EXPECT_EQ(frames[0].Code, 0xA001);
}

TEST(PtySimulator, CloseFaultHangsUpAndTheLinkLeadsToAFreshTerminal) {
  TTempDir dir;
  const std::string link = dir.File("ecr");
  TSimOptions options;
  options.Commands = {"exec-close 10004"};
  TSimulator sim(options);
  sim.StartPty(link);
  {
    TPtyTestClient client(link, 9600);
    client.Send(RequestFrame(10004, 0, SalePayload(100)));
    EXPECT_TRUE(client.WaitHangUp());
    EXPECT_TRUE(client.Gathered.empty());
  }
  EXPECT_TRUE(sim.ReceiptOpen());
  ASSERT_TRUE(sim.WaitForConnections(2, 15000));
  EXPECT_EQ(LinkTarget(link), sim.PtyPath());
  TPtyTestClient client(link, 9600);
  client.Send(RequestFrame(20000, 0, {}));
  std::vector<TSimFrame> frames;
  ASSERT_TRUE(client.ReadFrames(1, frames));
  EXPECT_EQ(frames[0].Payload, (TBytes{0, 0x10}));
}

TEST(PtySimulator, RefusesToReplaceARealFile) {
  TTempDir dir;
  const std::string file = dir.File("taken");
  ASSERT_TRUE(AppendToTextFile(file, "in use"));
  TSimulator sim;
  EXPECT_THROW(sim.StartPty(file), std::runtime_error);
}

TEST(SerialSimulator, ServesASerialDevice) {
  int master = -1;
  int slave = -1;
  char name[PATH_MAX];
  ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
  termios settings{};
  ::tcgetattr(master, &settings);
  ::cfmakeraw(&settings);
  ::tcsetattr(master, TCSANOW, &settings);
  {
    TSimulator sim;
    sim.StartSerial(name, 9600);
    const TBytes request = RequestFrame(10012, 0, Text("d"));
    ASSERT_EQ(::write(master, request.data(), request.size()),
              static_cast<ssize_t>(request.size()));
    ASSERT_TRUE(sim.WaitForRequests(1, 15000));
    TBytes gathered;
    ASSERT_TRUE(WaitUntil([&] {
      std::uint8_t buffer[256];
      pollfd pfd{master, POLLIN, 0};
      if (::poll(&pfd, 1, 50) > 0) {
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n > 0) gathered.insert(gathered.end(), buffer, buffer + n);
      }
      return ParseFrames(gathered).size() == 1;
    }));
    TBytes reply;
    EXPECT_EQ(CheckReply(10012, 0, gathered, reply), ccOK);
    EXPECT_EQ(sim.State().DrawerOpenings(), 1);
  }
  ::close(slave);
  ::close(master);
}

}  // namespace
}  // namespace danvore::sim
