// The link lock between the folder loop and the manual operations, and the
// worker over a serial line (a pseudo-terminal).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "worker_support.h"

namespace danvore {
namespace {

class LockTest : public testing::Test, public test::TWorkerFixture {
 protected:
  test::TLogCapture log;
  test::TGate gate;

  // A worker whose first sale request waits at the gate.
  TManager& HeldWorker() {
    TManager& manager = MakeManager();
    auto held = std::make_shared<std::atomic<bool>>(false);
    test::InstallHook(manager, [this, held](std::uint16_t code) {
      if (code == 0xE082 && !held->exchange(true)) gate.Wait();
    });
    return manager;
  }
  // Position of the first void request (sale type C), or -1.
  int VoidIndex() {
    const std::vector<sim::TSimFrame> requests = Sim().Requests();
    for (std::size_t i = 0; i < requests.size(); ++i)
      if (requests[i].Id == 10004 && requests[i].Payload.size() > 1 &&
          requests[i].Payload[1] == 'C')
        return static_cast<int>(i);
    return -1;
  }
};

TEST_F(LockTest, ManualVoidIsRefusedAfterFourSecondsWhileAFileRuns) {
  TManager& manager = HeldWorker();
  const std::string path = Drop("long.txt", "SL/A/1/1/1,00\r\nCR/1/1,00\r\n");
  manager.Start();
  ASSERT_TRUE(gate.WaitUntilHeld());
  const auto start = std::chrono::steady_clock::now();
  const TResult result = manager.AllVoid(true);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(result.Code, rcError);
  EXPECT_EQ(result.Msg, "All Void Error");
  // The lock measures with the platform's coarser tick (16 ms on Windows).
  EXPECT_GE(waited, std::chrono::milliseconds(3950));
  EXPECT_FALSE(manager.SuspendWork()) << "the worker goes on with the folder";
  EXPECT_FALSE(log.HasPart("All Void...")) << "nothing is reported";
  gate.Open();
  ASSERT_TRUE(log.WaitForPart("Handle File[long.txt(Ans:"));
  EXPECT_EQ(VoidIndex(), -1);
}

TEST_F(LockTest, ManualLoginConnectAndCloseAreRefusedWhileAFileRuns) {
  struct TCase {
    const char* Name;
    std::function<TResult(TManager&)> Call;
    std::string Msg;
    const char* Reports;  // the start of the operation's reports
  };
  const TCase cases[] = {
      {"login", [](TManager& m) { return m.Login(7, 5, true); }, "Login Error", "Login"},
      {"connect", [](TManager& m) { return m.Connect(true); }, "connection ecr... Error",
       "connection ecr"},
      {"close receipt", [](TManager& m) { return m.CloseReceipt(); }, "Close Receipt Error",
       "Close Receipt"},
  };
  TManager& manager = HeldWorker();
  manager.LockWaitMs = 50;
  const std::int32_t clerk = GetConfig().LastClerkID;
  Drop("long.txt", "SL/A/1/1/1,00\r\nCR/1/1,00\r\n");
  manager.Start();
  ASSERT_TRUE(gate.WaitUntilHeld());
  const std::vector<std::int32_t> sent = test::RequestIds(Sim());
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TResult result = c.Call(manager);
    EXPECT_EQ(result.Code, rcError);
    EXPECT_EQ(result.Msg, c.Msg);
    EXPECT_EQ(result.ExParams, 0);
    EXPECT_EQ(test::RequestIds(Sim()), sent) << "nothing reaches the register";
    EXPECT_TRUE(log.Starting(c.Reports).empty()) << "nothing is reported";
    EXPECT_FALSE(manager.SuspendWork()) << "the worker goes on with the folder";
    // The worker's lock is still held: the refusal gave back nothing.
    if (manager.Lock()) {
      ADD_FAILURE() << "the worker's lock was released";
      manager.UnLock();
    }
  }
  EXPECT_EQ(GetConfig().LastClerkID, clerk) << "the refused login stored nothing";
  EXPECT_EQ(test::ReadText(ConfigFilePath()).find("LastClerkID=7"), std::string::npos);
  gate.Open();
  ASSERT_TRUE(log.WaitForPart("Handle File[long.txt(Ans:"));
  const std::vector<std::int32_t> ids = test::RequestIds(Sim());
  for (const std::int32_t refused : {10002, 10000})
    EXPECT_EQ(std::count(ids.begin(), ids.end(), refused), 0) << refused;
  EXPECT_TRUE(manager.Lock()) << "the worker gave its lock back after the file";
  manager.UnLock();
}

TEST_F(LockTest, ManualVoidWaitsForTheFileInHandAndRunsBeforeTheNext) {
  TManager& manager = HeldWorker();
  Drop("one.txt", "SL/A/1/1/1,00\r\n");
  manager.Start();
  ASSERT_TRUE(gate.WaitUntilHeld());
  Drop("two.txt", "SL/B/2/1/2,00\r\nCR/1/0\r\n");
  auto voided = std::async(std::launch::async, [&] { return manager.AllVoid(true); });
  ASSERT_TRUE(test::WaitUntil([&] { return manager.SuspendWork(); }));
  gate.Open();
  const TResult result = voided.get();
  EXPECT_EQ(result.Code, rcSuccess) << result.Msg;
  ASSERT_TRUE(log.WaitForPart("Handle File[two.txt(Ans:"));
  const int oneDone = log.IndexOf("All Void...");
  EXPECT_GT(oneDone, 0);
  EXPECT_LT(log.IndexOf("Handle File[one.txt]..."), oneDone);
  EXPECT_GT(log.IndexOf("Handle File[two.txt]..."), oneDone);
  EXPECT_EQ(Sim().DailyTotals().Voided, 1) << "the receipt that one.txt left open";
  EXPECT_EQ(Sim().DailyTotals().Receipts, 1);
}

TEST_F(LockTest, LockSuspendsTheWorkerUntilUnLock) {
  TManager& manager = MakeManager();
  manager.Start();
  ASSERT_TRUE(manager.Lock());
  EXPECT_TRUE(manager.SuspendWork());
  Drop("waits.txt", "SL/A/1/1/1,00\r\nCR/1/1,00\r\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_TRUE(Sim().Requests().empty()) << "the lock is held: no pass runs";
  manager.UnLock();
  EXPECT_FALSE(manager.SuspendWork());
  EXPECT_TRUE(log.WaitForPart("Handle File[waits.txt(Ans:"));
}

TEST_F(LockTest, SerialLineOverAPseudoTerminal) {
  std::string slave;
  try {
    slave = Sim().StartPty("");
  } catch (const std::exception& e) {
    GTEST_SKIP() << e.what();
  }
  TIniConfig& config = GetConfig();
  config.ConnKind = 0;
  config.Host = slave;
  config.Port = 9600;
  TManager& manager = MakeManager();
  Control("props-status 1");
  Control("transfer 0 0 1 1");
  const std::string content = "SL/A/1/1/1,00\r\nCR/1/1,00\r\nZZ\r\n";
  Drop("serial.txt", content);
  manager.Start();
  ASSERT_TRUE(log.WaitForPart("Handle File[serial.txt(Ans:"));
  const std::vector<std::string> answers = test::FilesEndingWith(AnswerRoot(), ".Ans");
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(test::ReadText(answers[0]), content);
  EXPECT_EQ(Sim().DailyTotals().Receipts, 0) << "the Z report closed the day";
  EXPECT_EQ(Sim().State().ZCount(), 1);
}

}  // namespace
}  // namespace danvore
