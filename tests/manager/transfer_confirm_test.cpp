// The end-of-day transfer confirmation without a screen: the register
// calls, the dialog's state under a fake clock, and the headless answers.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/config.h"
#include "core/errors.h"
#include "link/hecr_link.h"
#include "manager/headless_prompt.h"
#include "manager/transfer_confirm.h"

namespace danvore {
namespace {

// One answer of the register to the state query "e".
struct TQueryAnswer {
  TBytes Payload;
  TRetCode Code = rcSuccess;
};

TQueryAnswer State(std::uint8_t status, std::uint8_t attempts, std::uint8_t done = 0) {
  return {{status, attempts, done}, rcSuccess};
}
TQueryAnswer Failure() {
  return {{}, rcTimeOut};
}

struct TSent {
  std::int32_t Command;
  std::string Payload;
  int WaitTimeOut;
  int RetryCount;
  std::string EcrID;
};

// A register that answers the transfer commands from a script; the last
// query answer repeats.
class TFakeTransferLink : public THecrLink {
 public:
  std::deque<TQueryAnswer> Answers;
  TRetCode ChoiceCode = rcSuccess;
  std::vector<TSent> Sent;
  std::function<void()> DuringQuery;

  std::vector<std::string> Letters() const {
    std::vector<std::string> letters;
    for (const TSent& sent : Sent)
      letters.push_back(sent.Payload);
    return letters;
  }

 protected:
  TResult DoSendBuffer(const TEcrCommand& Cmd, TBytes& wBuf, std::uint32_t, int BufLen,
                       int WaitTimeOut, int RetryCount, const std::string& EcrID) override {
    const std::string payload(wBuf.begin(), wBuf.begin() + BufLen);
    Sent.push_back({Cmd.ID, payload, WaitTimeOut, RetryCount, EcrID});
    TResult result;
    if (payload != "e") {
      if (ChoiceCode != rcSuccess) SetResult(ChoiceCode, "choice failed", 0, result);
      wBuf.clear();
      return result;
    }
    if (DuringQuery) DuringQuery();
    const TQueryAnswer answer = Answers.empty() ? State(0, 0) : Answers.front();
    if (Answers.size() > 1) Answers.pop_front();
    if (answer.Code != rcSuccess) {
      SetResult(answer.Code, "no answer", 0, result);
      return result;
    }
    wBuf = answer.Payload;
    return result;
  }
};

TEST(QueryEndDailyStatus, DecodesEveryAnswerLength) {
  struct TCase {
    TBytes Payload;
    int Status;
    int Attempts;
    bool Done;
  };
  const TCase cases[] = {
      {{}, 0, 0, true},           {{1}, 0, 0, true},        {{1, 3}, 1, 3, false},
      {{1, 3, 1}, 1, 3, true},    {{1, 3, 0}, 1, 3, false}, {{2, 0, 7}, 2, 0, false},
      {{0, 11, 0}, 0, 11, false},
  };
  for (const TCase& c : cases) {
    TFakeTransferLink link;
    link.Answers = {{c.Payload, rcSuccess}};
    int status = -1;
    int attempts = -1;
    bool done = !c.Done;
    TResult result;
    QueryEndDailyStatus(link, 500, status, result, done, attempts);
    SCOPED_TRACE(testing::Message() << "payload size " << c.Payload.size());
    EXPECT_EQ(result.Code, rcSuccess);
    EXPECT_EQ(status, c.Status);
    EXPECT_EQ(attempts, c.Attempts);
    EXPECT_EQ(done, c.Done);
  }
}

TEST(QueryEndDailyStatus, SendsTheQueryWithItsOwnWaitAndNineRetries) {
  TFakeTransferLink link;
  link.Answers = {State(1, 2)};
  int status = 0;
  int attempts = 0;
  bool done = false;
  TResult result;
  QueryEndDailyStatus(link, 500, status, result, done, attempts);
  ASSERT_EQ(link.Sent.size(), 1u);
  EXPECT_EQ(link.Sent[0].Command, 10012);
  EXPECT_EQ(link.Sent[0].Payload, "e");
  EXPECT_EQ(link.Sent[0].WaitTimeOut, 500);
  EXPECT_EQ(link.Sent[0].RetryCount, 9);
  EXPECT_EQ(link.Sent[0].EcrID, "123456");
}

TEST(QueryEndDailyStatus, FailureLeavesZeroOutputs) {
  TFakeTransferLink link;
  link.Answers = {Failure()};
  int status = 5;
  int attempts = 5;
  bool done = true;
  TResult result;
  QueryEndDailyStatus(link, 10000, status, result, done, attempts);
  EXPECT_EQ(result.Code, rcTimeOut);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(attempts, 0);
  EXPECT_FALSE(done);
}

TEST(SendEndDailyChoice, SendsTheLetterWithTheLinkDefaults) {
  TFakeTransferLink link;
  link.TimeOut = 1234;
  link.Retrycnt = 2;
  TResult result;
  SendEndDailyChoice(link, "c", result);
  ASSERT_EQ(link.Sent.size(), 1u);
  EXPECT_EQ(link.Sent[0].Command, 10012);
  EXPECT_EQ(link.Sent[0].Payload, "c");
  EXPECT_EQ(link.Sent[0].WaitTimeOut, 1234);
  EXPECT_EQ(link.Sent[0].RetryCount, 2);
  EXPECT_EQ(link.Sent[0].EcrID, "123456");
}

// The dialog under a clock the test moves.
class TransferConfirmTest : public testing::Test {
 protected:
  TFakeTransferLink link;
  std::int64_t now = 1000000;
  std::vector<std::string> messages;
  TTransferConfirm dialog{link, [this] { return now; }};

  void SetUp() override {
    dialog.OnMessage = [this](const std::string& text) { messages.push_back(text); };
  }
};

TEST_F(TransferConfirmTest, TextsAreTheDialogsOwn) {
  EXPECT_STREQ(kTransferCaption, "Confirm");
  EXPECT_STREQ(kTransferYesText, "Select");
  EXPECT_STREQ(kTransferCancelText, "Cancel");
  // Greek capitals where the register has them, Latin ones elsewhere.
  EXPECT_STREQ(kTransferMessage,
               "\xCE\x95\xCE\xA0\xCE\x99\xCE\x92\xCE\x95\xCE\x92\xCE\x91\xCE\x99\xCE\xA9\xCE\xA3"
               "\xCE\x97 \xCE\x9C\xCE\x95\xCE\xA4\xCE\x91\xCE\xA6\xCE\x9F\xCE\xA1\xCE\x91\xCE\xA3 "
               "\xCE\x94\xCE\x95\xCE\x94\xCE\x9F\xCE\x9C\xCE\x95\xCE\x9D\xCE\xA9\xCE\x9D ?");
}

TEST_F(TransferConfirmTest, ShowWaitsWithButtonsForTheOperator) {
  link.Answers = {State(1, 3)};
  dialog.Show();
  EXPECT_FALSE(dialog.Closed());
  EXPECT_TRUE(dialog.TimerEnabled());
  EXPECT_TRUE(dialog.ButtonsEnabled());
  EXPECT_EQ(dialog.EndDailyStatus(), 1);
  EXPECT_EQ(dialog.CurCancelCount(), 3);
  EXPECT_EQ(dialog.CancelCountText(),
            "\xCE\xA0PO\xCE\xA3\xCE\xA0"
            "A\xCE\x98"
            "EIA META\xCE\xA6.3/10");
  ASSERT_EQ(link.Sent.size(), 1u);
  EXPECT_EQ(link.Sent[0].WaitTimeOut, kTransferQueryWaitMs);
}

TEST_F(TransferConfirmTest, ButtonsStayDisabledWhileTheStatusIsZero) {
  link.Answers = {State(0, 2)};
  dialog.Show();
  for (int tick = 0; tick < 3; ++tick) {
    dialog.TimerTimer();
    EXPECT_FALSE(dialog.ButtonsEnabled());
    EXPECT_FALSE(dialog.Closed());
  }
  dialog.btnYesClick();
  EXPECT_EQ(link.Letters(), std::vector<std::string>(4, "e")) << "a disabled button sends nothing";
}

TEST_F(TransferConfirmTest, TickClosesAsConfirmedWhenTheTransferIsFinished) {
  const TQueryAnswer finished[] = {State(2, 0), State(1, 4, 1), {{1}, rcSuccess}};
  for (const TQueryAnswer& answer : finished) {
    TFakeTransferLink fake;
    TTransferConfirm confirm(fake, [this] { return now; });
    fake.Answers = {State(1, 0), answer};
    confirm.Show();
    ASSERT_FALSE(confirm.Closed());
    confirm.TimerTimer();
    EXPECT_EQ(confirm.ModalResult(), mrOk) << "answer of " << answer.Payload.size() << " bytes";
  }
}

TEST_F(TransferConfirmTest, AFinishedTransferClosesAtTheFirstTickNotBefore) {
  link.Answers = {State(2, 0)};
  dialog.Show();
  EXPECT_EQ(dialog.ModalResult(), mrNone);
  EXPECT_TRUE(dialog.TimerEnabled());
  dialog.TimerTimer();
  EXPECT_EQ(dialog.ModalResult(), mrOk);
}

TEST_F(TransferConfirmTest, FiveMinutesCancelEvenWhenTheLastRefreshSaidOk) {
  struct TCase {
    std::int64_t Elapsed;
    TQueryAnswer Answer;
    TModalResult Expected;
  };
  const TCase cases[] = {
      {kTransferLimitMs - 1, State(1, 0), mrNone},
      {kTransferLimitMs - 1, State(2, 0), mrOk},
      {kTransferLimitMs, State(1, 0), mrCancel},
      {kTransferLimitMs, State(2, 0), mrCancel},
      {kTransferLimitMs + 90000, State(1, 0, 1), mrCancel},
  };
  for (const TCase& c : cases) {
    TFakeTransferLink fake;
    std::int64_t clock = 0;
    TTransferConfirm confirm(fake, [&clock] { return clock; });
    fake.Answers = {State(1, 0), c.Answer};
    confirm.Show();
    clock += c.Elapsed;
    confirm.TimerTimer();
    EXPECT_EQ(confirm.ModalResult(), c.Expected) << "after " << c.Elapsed << " ms";
  }
}

TEST_F(TransferConfirmTest, FailedTickRefreshChangesNothing) {
  link.Answers = {State(1, 4), Failure()};
  dialog.Show();
  dialog.TimerTimer();
  EXPECT_FALSE(dialog.Closed());
  EXPECT_TRUE(dialog.ButtonsEnabled());
  EXPECT_TRUE(dialog.TimerEnabled());
  EXPECT_EQ(dialog.CurCancelCount(), 4);
  EXPECT_TRUE(messages.empty()) << "a failed tick is not shown";
}

TEST_F(TransferConfirmTest, ButtonsSendTheirLetterBetweenTwoRefreshes) {
  struct TCase {
    void (TTransferConfirm::*Click)();
    const char* Letter;
  };
  const TCase cases[] = {{&TTransferConfirm::btnYesClick, "s"},
                         {&TTransferConfirm::btnCancelClick, "c"}};
  for (const TCase& c : cases) {
    TFakeTransferLink fake;
    TTransferConfirm confirm(fake, [this] { return now; });
    fake.Answers = {State(1, 0)};
    confirm.Show();
    (confirm.*c.Click)();
    EXPECT_EQ(fake.Letters(), (std::vector<std::string>{"e", "e", c.Letter, "e"}));
    EXPECT_FALSE(confirm.ButtonsEnabled()) << "refreshes under the hourglass disable them";
    EXPECT_TRUE(confirm.TimerEnabled());
    confirm.TimerTimer();
    EXPECT_TRUE(confirm.ButtonsEnabled()) << "the next tick enables them again";
  }
}

TEST_F(TransferConfirmTest, ConfirmedClickLeavesTheTimerOffAndCloses) {
  link.Answers = {State(1, 0), State(1, 0), State(2, 0)};
  dialog.Show();
  dialog.btnYesClick();
  EXPECT_EQ(dialog.ModalResult(), mrOk);
  EXPECT_FALSE(dialog.TimerEnabled());
}

TEST_F(TransferConfirmTest, ClickFailuresAreShownAndTheDialogStays) {
  struct TCase {
    const char* Name;
    std::deque<TQueryAnswer> Answers;
    TRetCode ChoiceCode;
    std::vector<std::string> Letters;
    std::string Message;
  };
  const TCase cases[] = {
      {"first refresh", {State(1, 0), Failure()}, rcSuccess, {"e", "e"}, "no answer"},
      {"answer", {State(1, 0)}, rcEConnect, {"e", "e", "s"}, "choice failed"},
      {"last refresh",
       {State(1, 0), State(1, 0), Failure()},
       rcSuccess,
       {"e", "e", "s", "e"},
       "no answer"},
  };
  for (const TCase& c : cases) {
    TFakeTransferLink fake;
    TTransferConfirm confirm(fake, [this] { return now; });
    std::vector<std::string> shown;
    confirm.OnMessage = [&shown](const std::string& text) { shown.push_back(text); };
    fake.Answers = c.Answers;
    fake.ChoiceCode = c.ChoiceCode;
    confirm.Show();
    confirm.btnYesClick();
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(fake.Letters(), c.Letters);
    EXPECT_EQ(shown, std::vector<std::string>{c.Message});
    EXPECT_FALSE(confirm.Closed());
    EXPECT_TRUE(confirm.TimerEnabled());
  }
}

TEST_F(TransferConfirmTest, TickDuringARefreshIsIgnored) {
  link.Answers = {State(1, 0)};
  dialog.Show();
  int nested = 0;
  link.DuringQuery = [&] {
    link.DuringQuery = nullptr;
    EXPECT_TRUE(dialog.Busy());
    ++nested;
    dialog.TimerTimer();
  };
  dialog.TimerTimer();
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(link.Sent.size(), 2u) << "the nested tick started no second refresh";
  EXPECT_FALSE(dialog.Busy());
  EXPECT_TRUE(dialog.TimerEnabled());
}

TEST_F(TransferConfirmTest, CloseBoxCancels) {
  link.Answers = {State(1, 0)};
  dialog.Show();
  dialog.CloseBox();
  EXPECT_EQ(dialog.ModalResult(), mrCancel);
}

// The headless answers need the application to be running.
class HeadlessPromptTest : public testing::Test {
 protected:
  void SetUp() override { GetConfig().AppRunning = true; }
  void TearDown() override { GetConfig().AppRunning = false; }
};

TEST_F(HeadlessPromptTest, PrintNowIsTheConfiguredAnswerUntilAborted) {
  THeadlessPrompt yes(true);
  THeadlessPrompt no(false);
  EXPECT_TRUE(yes.AskPrintNow());
  EXPECT_FALSE(no.AskPrintNow());
  yes.Abort();
  EXPECT_FALSE(yes.AskPrintNow());
}

TEST_F(HeadlessPromptTest, TransferConfirmWatchesTheRegister) {
  struct TCase {
    const char* Name;
    std::deque<TQueryAnswer> Answers;
    bool Confirmed;
    std::size_t Queries;
  };
  const TCase cases[] = {
      {"finished at the third query", {State(1, 0), State(1, 0), State(2, 0)}, true, 3},
      {"done byte", {State(1, 0), State(1, 1, 1)}, true, 2},
      // One minute per tick: the sixth tick is at the limit.
      {"never finished", {State(1, 0)}, false, 6},
  };
  for (const TCase& c : cases) {
    TFakeTransferLink link;
    link.Answers = c.Answers;
    std::int64_t clock = 0;
    int reads = 0;
    // Show reads the clock once; each tick reads it once after its refresh.
    THeadlessPrompt prompt(
        false, [&] { return clock + 60000LL * reads++; }, 0);
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(prompt.ShowTransferConfirm(link), c.Confirmed);
    EXPECT_EQ(link.Sent.size(), c.Queries);
    for (const TSent& sent : link.Sent)
      EXPECT_EQ(sent.Payload, "e") << "the register is answered on the register";
  }
}

TEST_F(HeadlessPromptTest, AbortCancelsTheTransferConfirmAtOnce) {
  TFakeTransferLink link;
  link.Answers = {State(1, 0)};
  THeadlessPrompt prompt(true, nullptr, 60000);
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    prompt.Abort();
  });
  EXPECT_FALSE(prompt.ShowTransferConfirm(link));
  stopper.join();
}

TEST_F(HeadlessPromptTest, ClosingApplicationCancelsTheTransferConfirm) {
  TFakeTransferLink link;
  link.Answers = {State(1, 0)};
  GetConfig().AppRunning = false;
  THeadlessPrompt prompt(true, nullptr, 60000);
  EXPECT_FALSE(prompt.ShowTransferConfirm(link));
  EXPECT_EQ(link.Sent.size(), 1u);
}

}  // namespace
}  // namespace danvore
