#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
#include <chrono>
#include <thread>

#include "link/hecr_link.h"
#include "ui/qt_operator_prompt.h"
#include "ui_test_support.h"

namespace danvore::ui {
namespace {

class OperatorPromptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    FHooks.Install();
    FPrompt.TransferDialog = [this](THecrLink&) {
      FDialogThreads.push_back(QThread::currentThread());
      return FTransferAnswer;
    };
  }
  void TearDown() override { Hooks() = DefaultHooks(); }

  // Asks from a thread of its own while this thread serves the window.
  template <typename Question>
  bool AskFromWorker(Question question) {
    std::atomic<bool> done{false};
    bool answer = false;
    std::thread worker([&] {
      answer = question();
      done = true;
    });
    const bool answered = uitest::PollUntil([&] { return done.load(); });
    worker.join();
    EXPECT_TRUE(answered);
    return answer;
  }

  uitest::THookRecorder FHooks;
  TQtOperatorPrompt FPrompt;
  std::vector<QThread*> FDialogThreads;
  bool FTransferAnswer = true;
  THecrLink FLink;
};

TEST_F(OperatorPromptTest, PrintNowIsAskedOnTheWindowThread) {
  for (const bool yes : {true, false}) {
    FHooks.YesAnswer = yes;
    EXPECT_EQ(FPrompt.AskPrintNow(), yes);
    EXPECT_EQ(AskFromWorker([this] { return FPrompt.AskPrintNow(); }), yes);
  }
  ASSERT_EQ(FHooks.Questions.size(), 4u);
  EXPECT_EQ(FHooks.Questions[0], QStringLiteral("Print Now?"));
  for (QThread* thread : FHooks.QuestionThreads)
    EXPECT_EQ(thread, QThread::currentThread());
}

TEST_F(OperatorPromptTest, TransferDialogIsShownOnTheWindowThread) {
  for (const bool confirmed : {true, false}) {
    FTransferAnswer = confirmed;
    EXPECT_EQ(AskFromWorker([this] { return FPrompt.ShowTransferConfirm(FLink); }), confirmed);
  }
  ASSERT_EQ(FDialogThreads.size(), 2u);
  for (QThread* thread : FDialogThreads)
    EXPECT_EQ(thread, QThread::currentThread());
}

TEST_F(OperatorPromptTest, AbortReleasesAWaitingWorkerWithNo) {
  std::atomic<bool> done{false};
  bool releasedWhileShown = false;
  // While the question is on screen the worker waits for its answer: the
  // abort must release it before the operator answers, and with No.
  Hooks().AskYesNo = [&](QWidget*, const QString& text, const QString&) {
    FHooks.Questions.push_back(text);
    FPrompt.Abort();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!done && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    releasedWhileShown = done;
    return true;
  };
  bool answer = true;
  std::thread worker([&] {
    answer = FPrompt.AskPrintNow();
    done = true;
  });
  const bool asked = uitest::PollUntil([&] { return !FHooks.Questions.empty(); });
  const bool finished = uitest::PollUntil([&] { return done.load(); });
  // Whatever went wrong above, the worker must not be left waiting.
  FPrompt.Abort();
  worker.join();
  ASSERT_TRUE(asked);
  EXPECT_TRUE(finished);
  EXPECT_TRUE(releasedWhileShown);
  EXPECT_FALSE(answer);
  // No later question is shown.
  QApplication::processEvents();
  EXPECT_FALSE(FPrompt.AskPrintNow());
  EXPECT_FALSE(FPrompt.ShowTransferConfirm(FLink));
  EXPECT_FALSE(AskFromWorker([this] { return FPrompt.AskPrintNow(); }));
  EXPECT_EQ(FHooks.Questions.size(), 1u);
  EXPECT_TRUE(FDialogThreads.empty());
}

}  // namespace
}  // namespace danvore::ui
