// X and Z reports against the register simulator, with the operator's
// questions answered by a script, by the dialog's state and headlessly.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/format.h"
#include "manager/headless_prompt.h"
#include "manager/transfer_confirm.h"
#include "worker_support.h"

namespace danvore {
namespace {

using test::RegisterError;

class ReportTest : public testing::Test, public test::TWorkerFixture {
 protected:
  test::TLogCapture log;
  test::TScriptedPrompt prompt;

  TManager& Reporter() {
    TManager& manager = MakeManager();
    prompt.Simulator = &Sim();
    manager.SetOperatorPrompt(&prompt);
    return manager;
  }
  // Positions of the report keys among the requests.
  std::vector<std::string> ReportKeys() {
    std::vector<std::string> keys;
    for (const sim::TSimFrame& frame : Sim().Requests())
      if (frame.Id == 30009) keys.emplace_back(frame.Payload.begin(), frame.Payload.end());
    return keys;
  }
  std::size_t IndexOfKey(const std::string& key) {
    const std::vector<sim::TSimFrame> requests = Sim().Requests();
    for (std::size_t i = 0; i < requests.size(); ++i)
      if (requests[i].Id == 30009 &&
          std::string(requests[i].Payload.begin(), requests[i].Payload.end()) == key)
        return i;
    return requests.size();
  }
};

TEST_F(ReportTest, XReportPrintsAndPauses) {
  TManager& manager = Reporter();
  const TResult result = manager.PrintReport(umXDailyReport, true);
  EXPECT_EQ(result.Code, rcSuccess) << result.Msg;
  EXPECT_EQ(ReportKeys(), std::vector<std::string>{"101"});
  EXPECT_GE(log.IndexOf("Print Report OK"), log.IndexOf("Print Report..."));
  EXPECT_TRUE(log.Has(llInfor, "Print Report..."));
  EXPECT_NE(Sim().Journal().find("X REPORT"), std::string::npos);
  EXPECT_FALSE(manager.SuspendWork());
}

TEST_F(ReportTest, XReportRefusedByTheRegister) {
  TManager& manager = Reporter();
  Control("refuse 30009 41");
  const TResult result = manager.PrintReport(umXDailyReport, false);
  EXPECT_EQ(result.Code, rcEVastel);
  EXPECT_EQ(result.Msg, RegisterError(41));
  EXPECT_TRUE(log.Has(llError, "Print Report Error," + RegisterError(41)));
  EXPECT_FALSE(log.Has("Print Report OK"));
}

TEST_F(ReportTest, OtherReportKindsOnlyReportTheStart) {
  TManager& manager = Reporter();
  const TResult result = manager.PrintReport(umDepReport, true);
  EXPECT_EQ(result.Code, rcSuccess);
  EXPECT_TRUE(log.Has("Print Report..."));
  EXPECT_FALSE(log.HasPart("Print Report OK"));
  EXPECT_TRUE(Sim().Requests().empty());
}

TEST_F(ReportTest, ZReportAsksForTheTransferWhenTheRegisterWaits) {
  struct TCase {
    const char* Name;
    const char* Transfer;       // the simulator's transfer state
    std::vector<bool> Answers;  // of the transfer confirmation
    TRetCode Code;
    int Questions;  // transfer confirmations shown
    bool Closed;    // "501" was sent
    bool QuestionBeforeClosing;
  };
  const TCase cases[] = {
      {"done in one byte", "transfer 0 0 1 1", {}, rcSuccess, 0, true, false},
      {"done byte", "transfer 1 3 1", {}, rcSuccess, 0, true, false},
      {"status 0, not done", "transfer 0 0 0", {}, rcSuccess, 1, true, false},
      {"waiting", "transfer 1 3 0", {}, rcSuccess, 2, true, true},
      {"tenth attempt", "transfer 1 10 0", {}, rcSuccess, 2, true, true},
      {"eleventh attempt", "transfer 1 11 0", {}, rcSuccess, 1, true, false},
      {"cancelled before", "transfer 1 0 0", {false}, rcError, 1, false, true},
      {"cancelled after", "transfer 0 0 0", {false}, rcError, 1, true, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    StartSimulator(Port());
    prompt.TransferCalls = 0;
    prompt.Transfers = c.Answers;
    prompt.RequestsAtTransfer.clear();
    TManager& manager = Reporter();
    Control("props-status 1");
    Control(c.Transfer);
    test::TLogCapture lines;
    const TResult result = manager.PrintReport(umZDailyReport, true);
    EXPECT_EQ(result.Code, c.Code) << result.Msg;
    EXPECT_EQ(prompt.TransferCalls.load(), c.Questions);
    EXPECT_EQ(ReportKeys().size(), c.Closed ? 1u : 0u);
    EXPECT_EQ(Sim().State().ZCount(), c.Closed ? 1 : 0);
    if (c.Questions > 0) {
      EXPECT_EQ(prompt.RequestsAtTransfer[0] < IndexOfKey("501") + 1, c.QuestionBeforeClosing);
    }
    if (c.Code == rcSuccess) {
      EXPECT_TRUE(lines.Has(llInfor, "Print Report OK"));
    } else {
      EXPECT_EQ(result.Msg, "Print Report Error");
      EXPECT_TRUE(lines.Has(llError, "Print Report Error"));
    }
    EXPECT_EQ(prompt.PrintNowCalls.load(), 0) << "the register's status was not 0";
    EXPECT_TRUE(manager.Lock());
    manager.UnLock();
  }
}

TEST_F(ReportTest, ZReportAsksPrintNowWhenTheRegisterStatusIsZero) {
  for (const bool yes : {true, false}) {
    SCOPED_TRACE(yes ? "yes" : "no");
    StartSimulator(Port());
    prompt.PrintNow = yes;
    prompt.PrintNowCalls = 0;
    TManager& manager = Reporter();
    Control("props-status 0");
    Control("transfer 0 0 1 1");
    if (yes) {
      EXPECT_EQ(manager.PrintReport(umZDailyReport, true).Code, rcSuccess);
    } else {
      try {
        manager.PrintReport(umZDailyReport, true);
        ADD_FAILURE() << "no User Cancel";
      } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "User Cancel");
      }
    }
    EXPECT_EQ(prompt.PrintNowCalls.load(), 1);
    EXPECT_EQ(Sim().State().ZCount(), yes ? 1 : 0);
    EXPECT_FALSE(manager.SuspendWork());
    EXPECT_TRUE(manager.Lock()) << "the lock was given back";
    manager.UnLock();
  }
}

TEST_F(ReportTest, ZReportFailuresStopWithTheFailingResult) {
  struct TCase {
    const char* Name;
    std::vector<std::string> Controls;
    bool OpenReceipt;           // a sale line runs first
    std::vector<bool> Answers;  // of the transfer confirmations shown
    TRetCode Code;
    std::string Msg;
    std::int32_t ExParams;
    std::vector<std::int32_t> Ids;  // requests of the report
    bool Reported;                  // the failure has its own report
  };
  const std::string timeOut = SysErrorMessage(ERROR_TIMEOUT_CODE);
  const TCase cases[] = {
      // The properties: the report stops with their result and says nothing.
      {"properties refused",
       {"refuse 30008 41"},
       false,
       {},
       rcEVastel,
       RegisterError(41),
       41,
       {30008},
       false},
      {"properties unanswered",
       {"exec-drop 30008", "exec-drop 30008"},
       false,
       {},
       rcTimeOut,
       timeOut,
       0,
       {30008, 30008},
       false},
      {"properties too short", {"props-length 25"}, false, {}, rcError, "Error", 0, {30008}, false},
      // The end-of-day status query.
      {"status query refused",
       {"refuse 10012 41"},
       false,
       {},
       rcEVastel,
       RegisterError(41),
       41,
       {30008, 10012},
       true},
      {"status query refused, 0xFE form",
       {"refuse 10012 41 fe"},
       false,
       {},
       rcEVastel,
       RegisterError(41),
       254,
       {30008, 10012},
       true},
      // The closing itself.
      {"closing refused",
       {"refuse 30009 41"},
       false,
       {},
       rcEVastel,
       RegisterError(41),
       41,
       {30008, 10012, 30009},
       true},
      {"closing with a receipt open",
       {},
       true,
       {},
       rcEVastel,
       RegisterError(21),
       21,
       {30008, 10012, 30009},
       true},
      {"closing refused after the transfer was confirmed",
       {"transfer 1 3 0 3", "refuse 30009 41"},
       false,
       {true},
       rcEVastel,
       RegisterError(41),
       41,
       {30008, 10012, 30009},
       true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    StartSimulator(Port());
    prompt.TransferCalls = 0;
    prompt.Transfers = c.Answers;
    TManager& manager = Reporter();
    Control("props-status 1");
    Control("transfer 0 0 1 1");
    for (const std::string& control : c.Controls)
      Control(control);
    if (c.OpenReceipt) {
      TResult sale;
      manager.ExecuteLines({"SL/A/1/1/1,00"}, sale);
      ASSERT_EQ(sale.Code, rcSuccess) << sale.Msg;
    }
    const std::size_t before = Sim().Requests().size();
    test::TLogCapture lines;
    const TResult result = manager.PrintReport(umZDailyReport, true);
    EXPECT_EQ(result.Code, c.Code) << result.Msg;
    EXPECT_EQ(result.Msg, c.Msg);
    EXPECT_EQ(result.ExParams, c.ExParams);
    const std::vector<std::int32_t> ids = test::RequestIds(Sim());
    EXPECT_EQ(
        std::vector<std::int32_t>(ids.begin() + static_cast<std::ptrdiff_t>(before), ids.end()),
        c.Ids);
    EXPECT_EQ(prompt.TransferCalls.load(), static_cast<int>(c.Answers.size()))
        << "no question after a failed closing";
    EXPECT_EQ(Sim().State().ZCount(), 0);
    std::vector<std::string> reports;
    for (const test::TLogLine& line : lines.Lines())
      if (line.Text.rfind("Print Report", 0) == 0)
        reports.push_back(Format("%d %s", static_cast<int>(line.Level), line.Text));
    std::vector<std::string> expected{Format("%d Print Report...", static_cast<int>(llInfor))};
    if (c.Reported)
      expected.push_back(Format("%d Print Report Error,%s", static_cast<int>(llError), c.Msg));
    EXPECT_EQ(reports, expected);
    EXPECT_FALSE(manager.SuspendWork());
    EXPECT_TRUE(manager.Lock()) << "the lock was given back";
    manager.UnLock();
  }
}

TEST_F(ReportTest, ZReportLineCancelledByTheOperatorKeepsTheFile) {
  TManager& manager = Reporter();
  prompt.PrintNow = false;
  Control("props-status 0");
  const std::string path = Drop("z.txt", "ZZ\r\n");
  const std::string folder = AnswerRoot() + "z" + platform::PathSeparator();
  platform::ForceDirectories(folder);
  std::vector<std::string> lines;
  EXPECT_FALSE(manager.HandleFile(folder, path, lines));
  EXPECT_TRUE(platform::FileExists(path));
  EXPECT_TRUE(log.Has(llError, "Handle File[z.txt] Error2:<Line1(ZZ)>User Cancel"));
  EXPECT_TRUE(test::FilesUnder(folder).empty());
}

TEST_F(ReportTest, ZReportLineFromAFileIsAnswered) {
  TManager& manager = Reporter();
  Control("props-status 1");
  Control("transfer 0 0 1 1");
  Drop("z.txt", "XX\r\nZZ\r\n");
  manager.Start();
  ASSERT_TRUE(log.WaitForPart("Handle File[z.txt(Ans:"));
  EXPECT_EQ(ReportKeys(), (std::vector<std::string>{"101", "501"}));
  EXPECT_EQ(test::FilesEndingWith(AnswerRoot(), ".Ans").size(), 1u);
}

TEST_F(ReportTest, ZReportWithTheOperatorConfirmingInTheDialog) {
  TManager& manager = Reporter();
  Control("props-status 1");
  Control("transfer 1 2 0");
  std::int64_t now = 0;
  int shown = 0;
  prompt.OnTransfer = [&](THecrLink& link) {
    ++shown;
    TTransferConfirm dialog(link, [&now] { return now; });
    dialog.Show();
    for (int tick = 0; tick < 10 && !dialog.Closed(); ++tick) {
      if (dialog.ButtonsEnabled()) dialog.btnYesClick();
      if (!dialog.Closed()) dialog.TimerTimer();
      now += kTransferTickMs;
    }
    return dialog.ModalResult() == mrOk;
  };
  const TResult result = manager.PrintReport(umZDailyReport, true);
  EXPECT_EQ(result.Code, rcSuccess) << result.Msg;
  EXPECT_EQ(shown, 2) << "before the closing, and after it";
  EXPECT_EQ(Sim().Transfer().Status, 2);
  EXPECT_EQ(Sim().State().ZCount(), 1);
  std::vector<std::string> general;
  for (const sim::TSimFrame& frame : Sim().Requests())
    if (frame.Id == 10012) general.emplace_back(frame.Payload.begin(), frame.Payload.end());
  // Query; the dialog: refresh, answer between refreshes; closing; the
  // dialog again: a refresh that finds the transfer done, closed at a tick.
  EXPECT_EQ(general, (std::vector<std::string>{"e", "e", "e", "s", "e", "e", "e"}));
}

TEST_F(ReportTest, ZReportHeadlessGivesUpAfterFiveMinutes) {
  TManager& manager = MakeManager();
  std::int64_t clock = 0;
  THeadlessPrompt headless(
      true, [&clock] { return clock += 30000; }, 0);
  manager.SetOperatorPrompt(&headless);
  Control("props-status 1");
  Control("transfer 1 0 0");
  const TResult result = manager.PrintReport(umZDailyReport, true);
  EXPECT_EQ(result.Code, rcError);
  EXPECT_EQ(result.Msg, "Print Report Error");
  EXPECT_EQ(Sim().State().ZCount(), 0) << "no closing without the transfer";
}

TEST_F(ReportTest, ZReportHeadlessGoesOnWhenTheRegisterFinishes) {
  TManager& manager = MakeManager();
  int reads = 0;
  // The operator confirms on the register while the bridge watches.
  THeadlessPrompt headless(
      true,
      [&] {
        if (++reads == 3) Control("transfer 2 0 1");
        return static_cast<std::int64_t>(reads);
      },
      0);
  manager.SetOperatorPrompt(&headless);
  Control("props-status 1");
  Control("transfer 1 0 0");
  const TResult result = manager.PrintReport(umZDailyReport, true);
  EXPECT_EQ(result.Code, rcSuccess) << result.Msg;
  EXPECT_EQ(Sim().State().ZCount(), 1);
}

TEST_F(ReportTest, ReportsRefuseWithoutTheLock) {
  TManager& manager = Reporter();
  manager.LockWaitMs = 50;
  ASSERT_TRUE(manager.Lock());
  for (const TUploadReportMode mode : {umXDailyReport, umZDailyReport}) {
    const TResult result = manager.PrintReport(mode, true);
    EXPECT_EQ(result.Code, rcError);
    EXPECT_EQ(result.Msg, "Print Report Error");
  }
  EXPECT_TRUE(Sim().Requests().empty());
  manager.UnLock();
}

TEST_F(ReportTest, TerminateEndsTheReportPauseAtOnce) {
  for (const bool manual : {false, true}) {
    SCOPED_TRACE(manual ? "manual X report" : "X report line");
    StartSimulator(Port());
    test::TLogCapture lines;
    TManager& manager = Reporter();
    // Far beyond the bound below: only the wake-up can end the pause in time.
    manager.ReportPauseMs = 120000;
    if (!manual) Drop("x.txt", "XX\r\n");
    manager.Start();
    std::future<TResult> report;
    if (manual)
      report = std::async(std::launch::async,
                          [&manager] { return manager.PrintReport(umXDailyReport, true); });
    // Written right before the pause begins.
    ASSERT_TRUE(lines.WaitFor("Print Report OK"));
    manager.Terminate();
    if (manual) {
      ASSERT_EQ(report.wait_for(std::chrono::seconds(20)), std::future_status::ready);
      const TResult result = report.get();
      EXPECT_EQ(result.Code, rcSuccess) << result.Msg;
    }
    auto ended = std::async(std::launch::async, [&manager] { manager.WaitFor(); });
    ASSERT_EQ(ended.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_TRUE(lines.Has(llDebug, "APP Terminated"));
    EXPECT_EQ(ReportKeys(), std::vector<std::string>{"101"});
    // The report was printed: the line counts as done and is not run again.
    EXPECT_EQ(test::FilesEndingWith(AnswerRoot(), ".Ans").size(), manual ? 0u : 1u);
    EXPECT_TRUE(test::FilesUnder(InDir()).empty());
    DestroyManager();
    for (const std::string& file : test::FilesUnder(AnswerRoot()))
      platform::RemoveFile(file);
  }
}

}  // namespace
}  // namespace danvore
