// The bridge is killed right after the register closed a receipt, before
// it could write the answer file; the restarted bridge must not print that
// receipt again.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cli/cli_home.h"
#include "cli/test_run_child.h"
#include "platform/fs.h"
#include "support/wait_until.h"

namespace danvore {
namespace {

using test::FilesUnder;

// Two bridge starts and a kill: more room than the usual time-out.
bool WaitUntil(const std::function<bool()>& condition) {
  return test::WaitUntil(condition, 30000);
}

class FiscalRestartTest : public test::TCliHomeTest {
 protected:
  void SetUp() override { MakeHome("AllVoidBeforeProcessFile=1\r\n"); }
  std::vector<std::string> Args() const { return {"--home", home.string(), "run"}; }
  void Control(const std::string& command) {
    std::string reply;
    ASSERT_TRUE(simulator.Control(command, &reply)) << command << ": " << reply;
  }
  int ClosedReceipts() const { return simulator.DailyTotals().Receipts; }
};

TEST_F(FiscalRestartTest, KilledAfterThePaymentTheRestartedBridgeDoesNotPrintItAgain) {
  const std::string content = "SL/Coffee/1/1/2,50\r\nCR/1/2,50\r\n";
  const std::filesystem::path file = In() / "R.txt";
  {
    test::TCliChild bridge(Args());
    ASSERT_TRUE(bridge.Started());
    ASSERT_TRUE(WaitUntil([&] { return bridge.Out().find("Ctrl+C stops") != std::string::npos; }))
        << bridge.Err();
    // The payment is the second sale command of the file.
    Control("kill-pid " + std::to_string(bridge.Pid()));
    Control("exit-after 10004 2");
    platform::WriteFileAtomic(file.string(), content);
    ASSERT_TRUE(WaitUntil([&] { return ClosedReceipts() == 1; })) << bridge.Out();
    // Killed, it wrote no answer; a bridge still running would have.
    bridge.Wait(20000);
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_TRUE(FilesUnder(Answers(), ".Ans").empty());
  }

  test::TCliChild restarted(Args());
  ASSERT_TRUE(WaitUntil([&] { return FilesUnder(Answers(), ".Ans").size() == 1; }))
      << restarted.Out() << restarted.Err();
  EXPECT_TRUE(WaitUntil([&] { return !std::filesystem::exists(file); }));
  restarted.Stop();
  EXPECT_EQ(restarted.Wait(20000), 0) << restarted.Err();

  std::string answer;
  platform::ReadWholeFile(FilesUnder(Answers(), ".Ans")[0].string(), answer);
  EXPECT_EQ(answer, content);
  EXPECT_EQ(ClosedReceipts(), 1);
  EXPECT_EQ(simulator.DailyTotals().Voided, 0);
  const std::string printed = simulator.Journal();
  EXPECT_EQ(printed.find("RECEIPT 0002"), std::string::npos) << printed;
  EXPECT_NE(restarted.Out().find("Handle File[R.txt] Line2 was sent before the failure and the "
                                 "register has no open receipt: it closed its receipt"),
            std::string::npos)
      << restarted.Out();
  EXPECT_NE(restarted.Out().find("Handle File[R.txt] Nothing to resume: the receipts up to "
                                 "Line2 (the last line) are closed and are not sent again"),
            std::string::npos)
      << restarted.Out();
}

}  // namespace
}  // namespace danvore
