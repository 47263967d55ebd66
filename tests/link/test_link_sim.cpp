// The link against the register simulator over TCP loopback.
#include <gtest/gtest.h>

#include "link/sim_link_support.h"

namespace danvore {
namespace {

using test::kStatusId;

class LinkSimTcpTest : public ::testing::Test {
 protected:
  explicit LinkSimTcpTest(sim::TSimOptions options = test::SimOptions()) : sim(options) {
    const std::uint16_t port = sim.StartTcp("127.0.0.1", 0);
    link.ConnParams = TConnParams{cmTCPClient, "127.0.0.1", port};
  }
  ~LinkSimTcpTest() override {
    link.Close();
    sim.Stop();
  }

  TResult Status(std::uint32_t packNum = 0, int retryCount = 0) {
    TBytes buffer;
    return link.SendBuffer(kStatusId, buffer, packNum, 0, 2000, retryCount, "123456");
  }

  test::TAppRunning running;
  sim::TSimulator sim;
  THecrLink link;
  test::TLogCapture log;
};

TEST_F(LinkSimTcpTest, StatusQueryIsAnswered) {
  TBytes buffer;
  const TResult result = link.SendBuffer(kStatusId, buffer, 17, 0, 2000, 0, "123456");
  EXPECT_EQ(result.Code, rcSuccess) << result.Msg;
  EXPECT_EQ(buffer.size(), 2u);  // the status word
  ASSERT_TRUE(sim.WaitForRequests(1, 10000));
  const auto requests = sim.Requests();
  EXPECT_EQ(requests[0].Code, 0xE000);
  EXPECT_EQ(requests[0].PackNum, 17u);
  EXPECT_EQ(requests[0].EcrId, 123456u);
  EXPECT_TRUE(link.Active());
}

TEST_F(LinkSimTcpTest, SilentRegisterUsesUpBothAttempts) {
  ASSERT_TRUE(sim.Control("delay 3000"));
  test::ExpectSilentRegisterTimesOut(link, log);
}

TEST_F(LinkSimTcpTest, DisturbedRepliesAreStillRecognised) {
  struct Case {
    const char* Command;
  };
  for (const Case c : {Case{"stale 1 0"}, Case{"stale 1 100"}, Case{"garbage 1"}, Case{"split 30"},
                       Case{"split 300"}}) {
    SCOPED_TRACE(c.Command);
    const std::size_t before = sim.Requests().size();
    ASSERT_TRUE(sim.Control(c.Command));
    EXPECT_EQ(Status(5).Code, rcSuccess);
    EXPECT_EQ(sim.Requests().size(), before + 1);  // no second attempt was needed
  }
}

TEST_F(LinkSimTcpTest, ErrorRepliesCarryTheRegisterNumber) {
  struct Case {
    const char* Command;
    std::int32_t Number;
  };
  for (const Case c : {Case{"refuse 20000 27", 27}, Case{"refuse 20000 27 fe", 254}}) {
    SCOPED_TRACE(c.Command);
    ASSERT_TRUE(sim.Control(c.Command));
    const TResult result = Status(0, 3);
    EXPECT_EQ(result.Code, rcEVastel);
    EXPECT_EQ(result.ExParams, c.Number);
    EXPECT_NE(result.Msg.find("27"), std::string::npos) << result.Msg;
  }
}

TEST_F(LinkSimTcpTest, ClosedConnectionIsReopenedOnTheNextAttempt) {
  ASSERT_TRUE(sim.Control("close-after 1"));
  EXPECT_EQ(Status().Code, rcSuccess);
  ASSERT_TRUE(sim.WaitForConnections(1, 10000));
  // The register hung up after its reply: the next exchange fails its first
  // attempt on the dead connection and succeeds on a new one.
  const TResult result = Status(0, 1);
  EXPECT_EQ(result.Code, rcSuccess) << result.Msg;
  EXPECT_EQ(sim.Connections(), 2);
}

TEST_F(LinkSimTcpTest, ShutdownEndsEveryAttemptAtOnce) {
  link.Open();
  GetConfig().AppRunning = false;
  const TResult result = Status(0, 2);
  EXPECT_EQ(result.Code, rcEConnect);
  EXPECT_EQ(result.Msg, "User Canceled");
  EXPECT_FALSE(link.Active());
  EXPECT_TRUE(sim.Requests().empty());
}

TEST_F(LinkSimTcpTest, PropertiesOfTheRegister) {
  TEcrProperties props;
  props.LineBit = 99;
  TResult result;
  GetEcrProperties(link, props, result);
  EXPECT_EQ(result.Code, rcSuccess) << result.Msg;
  EXPECT_EQ(props.FisCode, "DNV00000001");
  EXPECT_EQ(props.MachineId, 1);
  EXPECT_EQ(props.host, "127.0.0.1");
  EXPECT_EQ(props.port, 6000);
  EXPECT_EQ(props.Status, 1);
  EXPECT_EQ(props.MachineType, mtFCR2);
  EXPECT_EQ(props.LineBit, 0);  // 28 bytes: set from the reply
}

class LinkSimShortPropertiesTest : public LinkSimTcpTest {
 protected:
  static sim::TSimOptions Options() {
    sim::TSimOptions options = test::SimOptions();
    options.Setup.Properties.Length = 26;
    options.Setup.Properties.LineBit = 48;
    options.Setup.Properties.DiningMode = true;
    return options;
  }
  LinkSimShortPropertiesTest() : LinkSimTcpTest(Options()) {}
};

TEST_F(LinkSimShortPropertiesTest, ShortReplyKeepsDiningModeAndLineWidth) {
  TEcrProperties props;
  props.LineBit = 99;
  TResult result;
  GetEcrProperties(link, props, result);
  EXPECT_EQ(result.Code, rcSuccess) << result.Msg;
  EXPECT_EQ(props.LineBit, 99);
  EXPECT_FALSE(props.DiningMode);
  EXPECT_EQ(props.FisCode, "DNV00000001");
}

}  // namespace
}  // namespace danvore
