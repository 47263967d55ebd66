// The simulator's serving loop on a scripted connection: exact bytes and
// burst shapes of the replies, faults included, without sockets or threads.
#include "ecr-sim/simulator.h"

#include <gtest/gtest.h>

#include "sim_test_support.h"

namespace danvore::sim {
namespace {

using namespace test;
using Clock = std::chrono::steady_clock;

TBytes Join(std::initializer_list<TBytes> parts) {
  TBytes all;
  for (const TBytes& part : parts)
    all.insert(all.end(), part.begin(), part.end());
  return all;
}

long long MsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

TSimOptions WithCommands(std::vector<std::string> commands) {
  TSimOptions options;
  options.Commands = std::move(commands);
  return options;
}

TEST(Simulator, AnswersEveryRequestWithItsPacketNumberAndItsOwnId) {
  TSimOptions options;
  options.EcrId = 9;
  TSimulator simulator(options);
  TScriptedChannel channel(
      {Join({RequestFrame(20000, 0, {}), RequestFrame(10004, 1, SalePayload(150))}),
       RequestFrame(10004, 2, PaymentPayload(1, 0))});
  simulator.ServeConnection(channel);

  EXPECT_EQ(channel.Written(), Join({BuildFrame(0xE000, 0, 9, {0, 0}), BuildFrame(0xE082, 1, 9, {}),
                                     BuildFrame(0xE082, 2, 9, {})}));
  const std::vector<TSimFrame> requests = simulator.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[1], (TSimFrame{10004, 0xE082, 1, 123456, SalePayload(150)}));
  EXPECT_FALSE(simulator.ReceiptOpen());
  EXPECT_EQ(simulator.DailyTotals().Net(), 150);
  EXPECT_NE(simulator.Journal().find("TOTAL"), std::string::npos);
  EXPECT_EQ(simulator.Connections(), 1);
}

TEST(Simulator, WritesFramesAndJournalFiles) {
  TTempDir dir;
  TSimOptions options;
  options.JournalPath = dir.File("journal.txt");
  options.FramesPath = dir.File("frames.jsonl");
  TSimulator simulator(options);
  TScriptedChannel sale({RequestFrame(10004, 0, SalePayload(150, "ΤΣΑΪ"))});
  simulator.ServeConnection(sale);
  EXPECT_EQ(ReadFileText(options.JournalPath), "");  // the receipt is still open
  EXPECT_NE(simulator.Journal().find("ΤΣΑΪ"), std::string::npos);

  TScriptedChannel payment({RequestFrame(10004, 0, PaymentPayload(1, 0))});
  simulator.ServeConnection(payment);
  const std::string journal = ReadFileText(options.JournalPath);
  EXPECT_EQ(journal, simulator.Journal());
  EXPECT_NE(journal.find("ΤΣΑΪ"), std::string::npos);
  EXPECT_NE(journal.find("TOTAL                               1.50\n"), std::string::npos);

  const std::string frames = ReadFileText(options.FramesPath);
  const std::string paymentLine =
      "{\"id\":10004,\"code\":57474,\"packnum\":0,\"ecrid\":123456,\"payload\":\"004601" +
      std::string(42, '0') + "\"}\n";
  EXPECT_EQ(frames.substr(frames.find('\n') + 1), paymentLine);
  EXPECT_EQ(frames.rfind("{\"id\":10004,\"code\":57474,\"packnum\":0,", 0), 0u);
}

TEST(Simulator, IgnoresDamagedRequests) {
  TSimulator simulator;
  TBytes damaged = RequestFrame(10004, 0, SalePayload(150));
  damaged[30] ^= 0x40;
  TScriptedChannel channel({Join({damaged, RequestFrame(20000, 1, {})})});
  simulator.ServeConnection(channel);
  EXPECT_EQ(channel.Written(), BuildFrame(0xE000, 1, 1, {0, 0}));
  EXPECT_EQ(simulator.DroppedFrames(), 1u);
  EXPECT_EQ(simulator.Requests().size(), 1u);
  EXPECT_FALSE(simulator.ReceiptOpen());
}

TEST(Simulator, ShapesRepliesAsTheFaultsSay) {
  const TBytes statusRequest = RequestFrame(20000, 5, {});
  const TBytes statusReply = BuildFrame(0xE000, 5, 1, {0, 0});
  const struct {
    const char* Command;
    std::size_t Writes;
    long long MinGapMs;  // between the first and the last write
  } cases[] = {
      {"split 120", 2, 120},
      {"stale 1 90", 2, 90},
      {"garbage", 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Command);
    TSimulator simulator(WithCommands({c.Command}));
    TScriptedChannel channel({statusRequest, statusRequest});
    simulator.ServeConnection(channel);
    ASSERT_EQ(channel.Writes.size(), c.Writes + 1);  // the second reply is plain
    EXPECT_EQ(channel.Writes.back().Bytes, statusReply);
    EXPECT_GE(MsBetween(channel.Writes.front().At, channel.Writes[c.Writes - 1].At), c.MinGapMs);
    TBytes shaped;
    for (std::size_t i = 0; i < c.Writes; ++i) {
      shaped.insert(shaped.end(), channel.Writes[i].Bytes.begin(), channel.Writes[i].Bytes.end());
    }
    TBytes payload;
    const std::string command = c.Command;
    if (command.rfind("split", 0) == 0) {
      EXPECT_EQ(shaped, statusReply);
      EXPECT_EQ(CheckReply(20000, 5, channel.Writes[0].Bytes, payload), ccEDataLen);
    } else if (command.rfind("stale", 0) == 0) {
      EXPECT_EQ(channel.Writes[0].Bytes, BuildFrame(0xE000, 4, 1, {0, 0}));
      EXPECT_EQ(CheckReply(20000, 5, channel.Writes[0].Bytes, payload), ccEProtocol);
      EXPECT_EQ(channel.Writes[1].Bytes, statusReply);
    } else {
      ASSERT_GT(shaped.size(), statusReply.size());
      EXPECT_EQ(
          TBytes(shaped.end() - static_cast<std::ptrdiff_t>(statusReply.size()), shaped.end()),
          statusReply);
      EXPECT_EQ(CheckReply(20000, 5, shaped, payload), ccOK);
    }
  }
}

TEST(Simulator, DelaysReplies) {
  TSimulator simulator(WithCommands({"delay 150"}));
  TScriptedChannel channel({RequestFrame(20000, 0, {})});
  const Clock::time_point start = Clock::now();
  simulator.ServeConnection(channel);
  ASSERT_EQ(channel.Writes.size(), 1u);
  EXPECT_GE(MsBetween(start, channel.Writes[0].At), 150);
}

TEST(Simulator, LosesExecutesOrClosesAsTheFaultsSay) {
  const TBytes sale = RequestFrame(10004, 1, SalePayload(150));
  const TBytes status = RequestFrame(20000, 2, {});
  const struct {
    const char* Command;
    TBytes ExpectedReplies;
    bool ReceiptOpen;
    std::size_t UnreadInputs;
  } cases[] = {
      {"drop 1", BuildFrame(0xE000, 2, 1, {0, 0}), false, 0},
      {"exec-drop 10004", BuildFrame(0xE000, 2, 1, {0, 0x10}), true, 0},
      {"exec-close 10004", {}, true, 1},
      {"close-after 1", BuildFrame(0xE082, 1, 1, {}), true, 1},
      {"refuse 10004 14",
       Join({BuildFrame(0x800D, 1, 1, ErrorText(14)), BuildFrame(0xE000, 2, 1, {0, 0})}), false, 0},
      {"refuse 10004 22 fe",
       Join({BuildFrame(0x800D, 1, 1, ErrorText(22, true)), BuildFrame(0xE000, 2, 1, {0, 0})}),
       false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Command);
    TSimulator simulator(WithCommands({c.Command}));
    TScriptedChannel channel({sale, status});
    simulator.ServeConnection(channel);
    EXPECT_EQ(channel.Written(), c.ExpectedReplies);
    EXPECT_EQ(simulator.ReceiptOpen(), c.ReceiptOpen);
    EXPECT_EQ(channel.UnreadInputs(), c.UnreadInputs);
  }
}

TEST(Simulator, ProbeAtTheRightSpeedMovesTheLine) {
  TSimOptions options;
  options.Setup.Baud = 115200;
  TSimulator simulator(options);
  TScriptedChannel wrong({RequestFrame(100, 0, {2}, "1"), RequestFrame(20000, 0, {}, "1")}, 9600);
  simulator.ServeConnection(wrong);
  const std::vector<TSimFrame> replies = ParseFrames(wrong.Written());
  ASSERT_EQ(replies.size(), 1u);  // the probe went unheard
  EXPECT_EQ(replies[0].Code, 0xE000);
  EXPECT_TRUE(wrong.BaudChanges.empty());

  TScriptedChannel right({RequestFrame(100, 0, {2}, "1")}, 115200);
  simulator.ServeConnection(right);
  EXPECT_EQ(right.Written(), BuildFrame(0xA001, 0, 1, {}));
  EXPECT_EQ(right.BaudChanges, (std::vector<int>{38400}));
  EXPECT_EQ(simulator.State().Baud(), 38400);
}

TEST(Simulator, ControlIsTheStandardInputLanguage) {
  TSimulator simulator;
  std::string reply;
  EXPECT_TRUE(simulator.Control("status 0x08 JAM", &reply));
  EXPECT_EQ(reply, "ok");
  EXPECT_EQ(simulator.StatusWord(), 0x08);
  EXPECT_FALSE(simulator.Control("fly", &reply));
  EXPECT_FALSE(simulator.QuitRequested());
  EXPECT_TRUE(simulator.Control("quit"));
  EXPECT_TRUE(simulator.QuitRequested());
  EXPECT_THROW(TSimulator(WithCommands({"delay soon"})), std::invalid_argument);
}

}  // namespace
}  // namespace danvore::sim
