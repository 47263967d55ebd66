// The simulator over loopback TCP, driven with frames that the bridge's own
// TProtocol builds and checks.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "ecr-sim/simulator.h"
#include "link/hecr_link.h"
#include "sim_test_support.h"

namespace danvore::sim {
namespace {

using namespace test;
using Clock = std::chrono::steady_clock;

constexpr int kWaitMs = 15000;

struct TcpSimulator : ::testing::Test {
  std::unique_ptr<TSimulator> Sim;
  std::uint16_t Port = 0;

  void Start(TSimOptions options = {}) {
    Sim = std::make_unique<TSimulator>(std::move(options));
    Port = Sim->StartTcp("127.0.0.1", 0);
  }
};

// Sends one request and waits for its reply as the link does: gathered bytes
// that hold a frame not answering the request are thrown away.
TCheckCode Exchange(TTcpTestClient& client, int id, std::uint32_t packNum, const TBytes& payload,
                    TBytes& reply) {
  client.Gathered.clear();
  client.Send(RequestFrame(id, packNum, payload));
  TCheckCode code = ccEDataLen;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kWaitMs);
  while (Clock::now() < deadline) {
    std::vector<TSimFrame> frames;
    client.ReadFrames(1, frames, 100);
    code = CheckReply(id, packNum, client.Gathered, reply);
    if (code == ccOK || code == ccEEcr) return code;
    if (code == ccEProtocol) client.Gathered.clear();
  }
  return code;
}

TEST_F(TcpSimulator, ServesAReceiptEndToEnd) {
  TSimOptions options;
  options.Setup.Clerks[3] = 4321;
  Start(options);
  TTcpTestClient client(Port);
  TBytes reply;
  ASSERT_EQ(Exchange(client, 20000, 0, {}, reply), ccOK);
  EXPECT_EQ(reply, (TBytes{0, 0}));
  ASSERT_EQ(Exchange(client, 10002, 0, ClerkPayload(3, 4321), reply), ccOK);
  ASSERT_EQ(Exchange(client, 10004, 0, ItemPayload('S', 2000, 150, "ΚΑΦΕΣ"), reply), ccOK);
  ASSERT_EQ(Exchange(client, 10004, 1, LetterPayload('B'), reply), ccOK);
  ASSERT_EQ(Exchange(client, 10004, 2, DiscountPayload(100), reply), ccOK);
  ASSERT_EQ(Exchange(client, 20000, 0, {}, reply), ccOK);
  EXPECT_EQ(reply, (TBytes{0, 0x10}));
  EXPECT_EQ(Sim->ReceiptTotal(), 200);
  ASSERT_EQ(Exchange(client, 10004, 0, PaymentPayload(1, 0), reply), ccOK);
  EXPECT_FALSE(Sim->ReceiptOpen());
  EXPECT_EQ(Sim->LastClerk(), 3);
  EXPECT_EQ(Sim->DailyTotals().Net(), 200);
  EXPECT_NE(Sim->Journal().find("ΚΑΦΕΣ"), std::string::npos);
  EXPECT_EQ(Sim->Requests().size(), 7u);
}

TEST_F(TcpSimulator, ErrorRepliesReadAsTheBridgeReadsThem) {
  Start();
  TTcpTestClient client(Port);
  TBytes reply;
  ASSERT_EQ(Exchange(client, 10002, 0, ClerkPayload(1, 99), reply), ccEEcr);
  const std::string text = GccEncode().GreekText(reply, 0, static_cast<int>(reply.size()));
  EXPECT_EQ(text, "ΛAΘOΣ 31");
  EXPECT_EQ(ParseErrorNumber(text), reWrongPassword);
}

TEST_F(TcpSimulator, RefusesToListenBeyondLoopback) {
  TSimulator simulator;
  EXPECT_THROW(simulator.StartTcp("0.0.0.0", 0), std::runtime_error);
  EXPECT_THROW(simulator.StartTcp("192.0.2.1", 0), std::runtime_error);
}

TEST_F(TcpSimulator, ServesOneConnectionAfterAnother) {
  Start();
  for (int round = 1; round <= 3; ++round) {
    SCOPED_TRACE(round);
    TTcpTestClient client(Port);
    TBytes reply;
    EXPECT_EQ(Exchange(client, 20000, 0, {}, reply), ccOK);
    EXPECT_EQ(Sim->Connections(), round);
  }
}

long long MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

struct TFaultCase {
  const char* Command;
  std::function<void(TSimulator&, std::uint16_t)> Check;
};

void ExpectServedAgain(TSimulator& sim, std::uint16_t port) {
  TTcpTestClient again(port);
  TBytes reply;
  EXPECT_EQ(Exchange(again, 20000, 0, {}, reply), ccOK);
  EXPECT_EQ(sim.Connections(), 2);
}

const TFaultCase kFaultCases[] = {
    {"delay 300",
     [](TSimulator&, std::uint16_t port) {
       TTcpTestClient client(port);
       TBytes reply;
       const Clock::time_point start = Clock::now();
       EXPECT_EQ(Exchange(client, 20000, 0, {}, reply), ccOK);
       EXPECT_GE(MsSince(start), 300);
     }},
    {"drop 1",
     [](TSimulator& sim, std::uint16_t port) {
       TTcpTestClient client(port);
       client.Send(RequestFrame(10004, 0, SalePayload(150)));
       client.Send(RequestFrame(20000, 1, {}));
       std::vector<TSimFrame> frames;
       ASSERT_TRUE(client.ReadFrames(1, frames));
       EXPECT_EQ(frames[0].PackNum, 1u);              // the sale was never answered ...
       EXPECT_EQ(frames[0].Payload, (TBytes{0, 0}));  // ... nor executed
       EXPECT_EQ(sim.Requests().size(), 2u);
     }},
    {"stale 1 100",
     [](TSimulator&, std::uint16_t port) {
       TTcpTestClient client(port);
       client.Send(RequestFrame(20000, 3, {}));
       std::vector<TSimFrame> frames;
       ASSERT_TRUE(client.ReadFrames(2, frames));
       EXPECT_EQ(frames[0].PackNum, 2u);
       EXPECT_EQ(frames[1].PackNum, 3u);
       TBytes reply;
       EXPECT_EQ(CheckReply(20000, 3, client.Gathered, reply), ccEProtocol);
       const TBytes rest(client.Gathered.begin() + 20, client.Gathered.end());
       EXPECT_EQ(CheckReply(20000, 3, rest, reply), ccOK);
     }},
    {"garbage",
     [](TSimulator&, std::uint16_t port) {
       TTcpTestClient client(port);
       TBytes reply;
       EXPECT_EQ(Exchange(client, 20000, 0, {}, reply), ccOK);
       ASSERT_FALSE(client.Gathered.empty());
       EXPECT_NE(client.Gathered.front(), 0xAA);
     }},
    {"split 250",
     [](TSimulator&, std::uint16_t port) {
       TTcpTestClient client(port);
       TBytes reply;
       const Clock::time_point start = Clock::now();
       EXPECT_EQ(Exchange(client, 20000, 0, {}, reply), ccOK);
       EXPECT_GE(MsSince(start), 250);
     }},
    {"close-after 1",
     [](TSimulator& sim, std::uint16_t port) {
       {
         TTcpTestClient client(port);
         TBytes reply;
         EXPECT_EQ(Exchange(client, 20000, 0, {}, reply), ccOK);
         EXPECT_TRUE(client.WaitClosed());
       }
       ExpectServedAgain(sim, port);
     }},
    {"refuse 10004 14",
     [](TSimulator& sim, std::uint16_t port) {
       TTcpTestClient client(port);
       TBytes reply;
       EXPECT_EQ(Exchange(client, 10004, 0, SalePayload(150), reply), ccEEcr);
       EXPECT_EQ(reply, ErrorText(14));
       EXPECT_FALSE(sim.ReceiptOpen());
     }},
    {"refuse 10004 14 fe",
     [](TSimulator&, std::uint16_t port) {
       TTcpTestClient client(port);
       TBytes reply;
       EXPECT_EQ(Exchange(client, 10004, 0, SalePayload(150), reply), ccEEcr);
       EXPECT_EQ(reply, ErrorText(14, true));
     }},
    {"exec-drop 10004",
     [](TSimulator&, std::uint16_t port) {
       TTcpTestClient client(port);
       client.Send(RequestFrame(10004, 0, SalePayload(150)));
       client.Send(RequestFrame(20000, 1, {}));
       std::vector<TSimFrame> frames;
       ASSERT_TRUE(client.ReadFrames(1, frames));
       EXPECT_EQ(frames[0].PackNum, 1u);
       EXPECT_EQ(frames[0].Payload, (TBytes{0, 0x10}));  // executed all the same
     }},
    {"exec-close 10004",
     [](TSimulator& sim, std::uint16_t port) {
       {
         TTcpTestClient client(port);
         client.Send(RequestFrame(10004, 0, SalePayload(150)));
         EXPECT_TRUE(client.WaitClosed());
         EXPECT_TRUE(client.Gathered.empty());
       }
       EXPECT_TRUE(sim.ReceiptOpen());
       ExpectServedAgain(sim, port);
     }},
};

TEST(TcpSimulatorFaults, EveryFaultOnce) {
  for (const TFaultCase& fault : kFaultCases) {
    SCOPED_TRACE(fault.Command);
    TSimOptions options;
    options.Commands = {fault.Command};
    TSimulator sim(options);
    fault.Check(sim, sim.StartTcp("127.0.0.1", 0));
  }
}

}  // namespace
}  // namespace danvore::sim
