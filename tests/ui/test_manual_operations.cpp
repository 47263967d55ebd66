#include <QCursor>
#include <QTimer>
#include <QToolButton>

#include "ecr-sim/simulator.h"
#include "main_window_fixture.h"
#include "manager/manager.h"
#include "ui/qt_operator_prompt.h"
#include "ui/sel_print.h"

namespace danvore::ui {
namespace {

QString Q(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// The window's worker talks to a register on loopback.
class ManualOperationTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    const std::uint16_t port = FSim.StartTcp("127.0.0.1", 0);
    FFolder.WriteConfig("ConnKind=1\nHost=127.0.0.1\nPort=" + std::to_string(port) + "\n");
    TfrmMain& w = Create();
    ASSERT_NE(w.Manager(), nullptr);
    w.Manager()->ReportPauseMs = 0;
    // Record the cursor each question is asked under.
    Hooks().AskYesNo = [this](QWidget*, const QString& text, const QString&) {
      FHooks.Questions.push_back(text);
      const QCursor* cursor = QApplication::overrideCursor();
      FQuestionCursors.push_back(cursor != nullptr ? cursor->shape() : Qt::ArrowCursor);
      return FHooks.YesAnswer;
    };
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    FSim.Stop();
  }

  sim::TSimulator FSim;
  std::vector<Qt::CursorShape> FQuestionCursors;
};

struct TManualCase {
  const char* Name;
  QToolButton* TfrmMain::*Button;
};

TEST_F(ManualOperationTest, EachButtonShowsOkWhenTheRegisterAgrees) {
  const TManualCase cases[] = {
      {"check connection", &TfrmMain::btnCheckConn},
      {"x report", &TfrmMain::btnXReport},
      {"z report without questions", &TfrmMain::btnZReport},
  };
  for (const TManualCase& c : cases) {
    SCOPED_TRACE(c.Name);
    FHooks.Messages.clear();
    const std::size_t before = FSim.Requests().size();
    (FWindow.get()->*c.Button)->click();
    ASSERT_EQ(FHooks.Messages.size(), 1u);
    EXPECT_EQ(FHooks.Messages[0], QStringLiteral("OK"));
    EXPECT_GT(FSim.Requests().size(), before);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }
}

TEST_F(ManualOperationTest, RegisterRefusalShowsItsMessage) {
  // No receipt is open: the register refuses to close or void one.
  const TManualCase cases[] = {
      {"close receipt", &TfrmMain::btnCloseReceipt},
      {"void receipt", &TfrmMain::btnAllVoid},
  };
  for (const TManualCase& c : cases) {
    SCOPED_TRACE(c.Name);
    FHooks.Messages.clear();
    (FWindow.get()->*c.Button)->click();
    ASSERT_EQ(FHooks.Messages.size(), 1u);
    EXPECT_TRUE(FHooks.Messages[0].startsWith(Q("ΛAΘOΣ"))) << FHooks.Messages[0].toStdString();
  }
}

TEST_F(ManualOperationTest, DeclinedPrintNowShowsTheButtonsError) {
  FSim.Control("props-status 0");
  FHooks.YesAnswer = false;
  FWindow->btnZReport->click();
  ASSERT_EQ(FHooks.Questions.size(), 1u);
  EXPECT_EQ(FHooks.Questions[0], QStringLiteral("Print Now?"));
  EXPECT_EQ(FQuestionCursors, std::vector<Qt::CursorShape>{Qt::WaitCursor});
  ASSERT_EQ(FHooks.Messages.size(), 1u);
  EXPECT_EQ(FHooks.Messages[0], Q("Αναφορά Ζ Error, User Cancel"));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ManualOperationTest, ZReportWaitsForTheTransferConfirmation) {
  FSim.Control("props-status 1");
  FSim.Control("transfer 1 2 0");
  int dialogs = 0;
  QObject scope;  // ends the timer below with the test
  FWindow->Prompt()->TransferDialog = [&](THecrLink& link) {
    // The operator confirms on the register a moment after the first dialog
    // opens; the second one then finds the transfer finished.
    if (++dialogs == 1) QTimer::singleShot(100, &scope, [&] { FSim.Control("transfer 2 2 0"); });
    return ShowTransferConfirm(link, nullptr, 20);
  };
  FWindow->btnZReport->click();
  ASSERT_EQ(FHooks.Messages.size(), 1u);
  EXPECT_EQ(FHooks.Messages[0], QStringLiteral("OK"));
  EXPECT_EQ(dialogs, 2);
}

TEST_F(ManualOperationTest, CancelledTransferFailsTheZReport) {
  FSim.Control("props-status 1");
  FSim.Control("transfer 1 2 0");
  FWindow->Prompt()->TransferDialog = [](THecrLink&) { return false; };
  FWindow->btnZReport->click();
  ASSERT_EQ(FHooks.Messages.size(), 1u);
  EXPECT_EQ(FHooks.Messages[0], QStringLiteral("Print Report Error"));
}

TEST_F(ManualOperationTest, UnreachableRegisterShowsTheLinkError) {
  FSim.Stop();
  FWindow->btnCheckConn->click();
  ASSERT_EQ(FHooks.Messages.size(), 1u);
  EXPECT_NE(FHooks.Messages[0], QStringLiteral("OK"));
  EXPECT_FALSE(FHooks.Messages[0].isEmpty());
}

}  // namespace
}  // namespace danvore::ui
