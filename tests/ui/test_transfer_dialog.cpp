#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <functional>

#include "core/config.h"
#include "ecr-sim/simulator.h"
#include "link/hecr_link.h"
#include "ui/sel_print.h"
#include "ui_test_support.h"

namespace danvore::ui {
namespace {

constexpr int kFastTickMs = 20;
constexpr std::int64_t kLimitMs = 5 * 60 * 1000;
constexpr int kWatchdogMs = 30000;

QString Q(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// A register on loopback and a link to it.
class TransferDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    FHooks.Install();
    GetConfig().AppRunning = true;
    const std::uint16_t port = FSim.StartTcp("127.0.0.1", 0);
    FLink.ConnParams.Mode = cmTCPClient;
    FLink.ConnParams.Host = "127.0.0.1";
    FLink.ConnParams.Port = port;
  }
  void TearDown() override {
    FLink.Close();
    FSim.Stop();
    Hooks() = DefaultHooks();
  }

  // Runs Action once the dialog is up, then shows it; true when confirmed.
  // Action must close the dialog on every path, also when what it waits for
  // never comes: a failed check inside it would otherwise leave the modal
  // loop running for good. Checks belong after Run.
  // A watchdog closes a dialog that stays open by mistake.
  bool Run(TfrmSelPrint& form, const std::function<void()>& Action) {
    bool stuck = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
      stuck = true;
      form.reject();
    });
    watchdog.start(kWatchdogMs);
    QTimer::singleShot(0, &form, Action);
    const bool confirmed = form.Execute();
    EXPECT_FALSE(stuck) << "the dialog did not close";
    return confirmed;
  }

  bool WaitForTicks(std::size_t moreRequests) {
    const std::size_t target = FSim.Requests().size() + moreRequests;
    return uitest::PollUntil([&] { return FSim.Requests().size() >= target; });
  }

  uitest::THookRecorder FHooks;
  sim::TSimulator FSim;
  THecrLink FLink;
};

TEST_F(TransferDialogTest, CarriesTheFixedTexts) {
  TfrmSelPrint form(FLink);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Confirm"));
  EXPECT_EQ(form.btnYes->text(), QStringLiteral("Select"));
  EXPECT_EQ(form.btnCancel->text(), QStringLiteral("Cancel"));
  EXPECT_EQ(form.lbMsg->text(), Q("ΕΠΙΒΕΒΑΙΩΣΗ ΜΕΤΑΦΟΡΑΣ ΔΕΔΟΜΕΝΩΝ ?"));
  EXPECT_EQ(form.size(), QSize(424, 157));
}

TEST_F(TransferDialogTest, ClosesAsConfirmedWhenTheRegisterReportsStatusTwo) {
  FSim.Control("transfer 1 3 0");
  TfrmSelPrint form(FLink, nullptr, kFastTickMs);
  bool enabled = false;
  QString attempts;
  const bool confirmed = Run(form, [&] {
    enabled = uitest::PollUntil([&] { return form.btnYes->isEnabled(); });
    attempts = form.lbCancelCount->text();
    if (!enabled) {
      form.reject();
      return;
    }
    FSim.Control("transfer 2 3 0");
  });
  EXPECT_TRUE(enabled);
  EXPECT_TRUE(form.btnCancel->isEnabled() || confirmed);
  EXPECT_EQ(attempts, Q("ΠPOΣΠAΘEIA METAΦ.3/10"));
  EXPECT_TRUE(confirmed);
}

TEST_F(TransferDialogTest, FinishedTransferClosesAtTheFirstTick) {
  FSim.Control("transfer 0 0 1");
  TfrmSelPrint form(FLink, nullptr, kFastTickMs);
  EXPECT_TRUE(Run(form, [] {}));
}

struct TLimitCase {
  const char* Name;
  std::int64_t Advance;
  const char* Transfer;
  bool Confirmed;
};

TEST_F(TransferDialogTest, TimeLimitCancelsAndWinsOverALateConfirmation) {
  const TLimitCase cases[] = {
      {"limit reached while waiting", kLimitMs, "transfer 1 0 0", false},
      {"limit reached as the register finishes", kLimitMs, "transfer 2 0 0", false},
      {"register finishes just before the limit", kLimitMs - 1, "transfer 2 0 0", true},
  };
  for (const TLimitCase& c : cases) {
    SCOPED_TRACE(c.Name);
    FSim.Control("transfer 1 0 0");
    std::atomic<std::int64_t> now{1000};
    TfrmSelPrint form(
        FLink, [&] { return now.load(); }, kFastTickMs);
    bool ticked = false;
    const bool confirmed = Run(form, [&] {
      ticked = WaitForTicks(2);
      if (!ticked) {
        form.reject();
        return;
      }
      FSim.Control(c.Transfer);
      now += c.Advance;
    });
    ASSERT_TRUE(ticked);
    EXPECT_EQ(confirmed, c.Confirmed);
  }
}

TEST_F(TransferDialogTest, StatusZeroKeepsTheButtonsDisabledUntilClosed) {
  FSim.Control("transfer 0 0 0");
  TfrmSelPrint form(FLink, nullptr, kFastTickMs);
  bool ticked = false;
  bool enabledAtSomeTick = true;
  const bool confirmed = Run(form, [&] {
    ticked = WaitForTicks(3);
    enabledAtSomeTick = form.btnYes->isEnabled() || form.btnCancel->isEnabled();
    form.reject();
  });
  EXPECT_TRUE(ticked);
  EXPECT_FALSE(enabledAtSomeTick);
  EXPECT_FALSE(confirmed);
}

TEST_F(TransferDialogTest, SelectAnswersTheRegisterAndClosesAsConfirmed) {
  FSim.Control("transfer 1 0 0");
  TfrmSelPrint form(FLink, nullptr, kFastTickMs);
  bool enabled = false;
  const bool confirmed = Run(form, [&] {
    enabled = uitest::PollUntil([&] { return form.btnYes->isEnabled(); });
    if (enabled) {
      form.btnYes->click();
    } else {
      form.reject();
    }
  });
  ASSERT_TRUE(enabled);
  EXPECT_TRUE(confirmed);
  EXPECT_EQ(FSim.Transfer().Status, 2);
  EXPECT_TRUE(FHooks.Messages.empty());
}

TEST_F(TransferDialogTest, CancelCountsAnAttemptAndTheDialogStaysOpen) {
  FSim.Control("transfer 1 4 0");
  TfrmSelPrint form(FLink, nullptr, kFastTickMs);
  bool enabled = false;
  QString after;
  bool stillOpen = false;
  const bool confirmed = Run(form, [&] {
    enabled = uitest::PollUntil([&] { return form.btnCancel->isEnabled(); });
    if (enabled) {
      form.btnCancel->click();
      after = form.lbCancelCount->text();
      stillOpen = form.isVisible();
    }
    form.reject();
  });
  ASSERT_TRUE(enabled);
  EXPECT_EQ(after, Q("ΠPOΣΠAΘEIA METAΦ.5/10"));
  EXPECT_TRUE(stillOpen);
  EXPECT_FALSE(confirmed);
  EXPECT_EQ(FSim.Transfer().Attempts, 5);
}

TEST_F(TransferDialogTest, FailedAnswerIsShownAndTheDialogStaysOpen) {
  FSim.Control("transfer 1 0 0");
  TfrmSelPrint form(FLink, nullptr, kFastTickMs);
  bool enabled = false;
  bool stillOpen = false;
  const bool confirmed = Run(form, [&] {
    enabled = uitest::PollUntil([&] { return form.btnYes->isEnabled(); });
    if (enabled) {
      // The register is gone: the refresh inside the click fails.
      GetConfig().AppRunning = false;
      form.btnYes->click();
      stillOpen = form.isVisible();
      GetConfig().AppRunning = true;
    }
    form.reject();
  });
  ASSERT_TRUE(enabled);
  EXPECT_FALSE(confirmed);
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(FHooks.Messages.size(), 1u);
}

}  // namespace
}  // namespace danvore::ui
