#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
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
  bool answer = true;
  std::thread worker([&] {
    answer = FPrompt.AskPrintNow();
    done = true;
  });
  // The window thread is busy (it serves no events) while the worker waits.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(done.load());
  FPrompt.Abort();
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (!done && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  worker.join();
  EXPECT_FALSE(answer);
  // The question that was on its way is never shown, nor any later one.
  QApplication::processEvents();
  EXPECT_FALSE(FPrompt.AskPrintNow());
  EXPECT_FALSE(FPrompt.ShowTransferConfirm(FLink));
  EXPECT_TRUE(FHooks.Questions.empty());
  EXPECT_TRUE(FDialogThreads.empty());
}

}  // namespace
}  // namespace danvore::ui
