// The link against the register simulator over a pseudo-terminal: the
// serial transport end to end, and the baud-rate scan.
#include <gtest/gtest.h>

#include "link/sim_link_support.h"

namespace danvore {
namespace {

using test::kStatusId;

class LinkSimPtyTest : public ::testing::Test {
 protected:
  LinkSimPtyTest() : sim(test::SimOptions()) {
    slave = sim.StartPty("");
    link.ConnParams = TConnParams{cmCOM, slave, 9600};
  }
  ~LinkSimPtyTest() override {
    link.Close();
    sim.Stop();
  }

  std::vector<std::string> SerialOpens() const { return log.Starting("Connected with Serial:"); }

  test::TAppRunning running;
  sim::TSimulator sim;
  std::string slave;
  THecrLink link;
  test::TLogCapture log;
};

TEST_F(LinkSimPtyTest, StatusQueryIsAnswered) {
  TBytes buffer;
  const TResult result = link.SendBuffer(kStatusId, buffer, 3, 0, 2000, 0, "123456");
  EXPECT_EQ(result.Code, rcSuccess) << result.Msg;
  EXPECT_EQ(buffer.size(), 2u);
  EXPECT_EQ(SerialOpens(), std::vector<std::string>{"Connected with Serial:" + slave + ":9600"});
}

TEST_F(LinkSimPtyTest, SilentRegisterUsesUpBothAttempts) {
  ASSERT_TRUE(sim.Control("delay 3000"));
  test::ExpectSilentRegisterTimesOut(link, log);
}

TEST_F(LinkSimPtyTest, ScanProbesUntilTheRegisterAnswersThenUsesTheConfiguredRate) {
  struct Case {
    std::int32_t Configured;
    std::uint8_t Code;
  };
  for (const Case c : {Case{38400, 2}, Case{4800, 1}}) {
    SCOPED_TRACE(c.Configured);
    THecrLink scanning;
    scanning.ConnParams = TConnParams{cmCOM, slave, c.Configured};
    const std::size_t before = sim.Requests().size();
    ASSERT_TRUE(sim.Control("baud 115200"));
    log.Clear();

    EXPECT_TRUE(scanning.Connect(100, "1"));
    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), before + 3);  // 9600 twice, then 115200
    for (std::size_t i = before; i < requests.size(); ++i) {
      EXPECT_EQ(requests[i].Code, 0xA001);
      EXPECT_EQ(requests[i].Payload, TBytes{c.Code});
    }
    const std::string prefix = "Connected with Serial:" + slave + ":";
    EXPECT_EQ(SerialOpens(), (std::vector<std::string>{prefix + "9600", prefix + "115200",
                                                       prefix + std::to_string(c.Configured)}));
    EXPECT_TRUE(scanning.Active());
    EXPECT_EQ(scanning.ConnParams.Port, c.Configured);

    EXPECT_TRUE(scanning.Connect(100, "1"));
    EXPECT_EQ(sim.Requests().size(), before + 3);
  }
}

TEST_F(LinkSimPtyTest, AfterTheScanTheRegisterHearsTheConfiguredRate) {
  ASSERT_TRUE(sim.Control("baud 115200"));
  link.ConnParams.Port = 38400;
  ASSERT_TRUE(link.Connect(100, "1"));
  // The register moved to 38400 as the probe told it; it answers a probe
  // only at its own speed, so this one proves the port is at 38400 now.
  TBytes probe{2, 0};
  EXPECT_EQ(link.SendBuffer(100, probe, 0, 1, 2000, 0, "1").Code, rcSuccess);
}

TEST_F(LinkSimPtyTest, PropertiesThroughTheScan) {
  TEcrProperties props;
  TResult result;
  GetEcrProperties(link, props, result);
  EXPECT_EQ(result.Code, rcSuccess) << result.Msg;
  EXPECT_EQ(props.FisCode, "DNV00000001");
}

}  // namespace
}  // namespace danvore
