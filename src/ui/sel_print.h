// The end-of-day transfer confirmation dialog: a view over the worker's
// TTransferConfirm state.
#pragma once

#include <QDialog>

#include "manager/transfer_confirm.h"

class QFrame;
class QLabel;
class QPushButton;
class QTimer;

namespace danvore::ui {

class TfrmSelPrint : public QDialog {
  Q_OBJECT

 public:
  // TickMs replaces the one-second timer (tests); Clock the monotonic clock.
  TfrmSelPrint(THecrLink& Link, TClockMs Clock = nullptr, int TickMs = kTransferTickMs,
               QWidget* Parent = nullptr);

  // Arms the state as the dialog appears and shows it modally; true when it
  // closed as confirmed.
  bool Execute();

  const TTransferConfirm& State() const { return FState; }

  QLabel* lbCancelCount;
  QLabel* lbMsg;
  QFrame* pnlBottom;
  QPushButton* btnYes;
  QPushButton* btnCancel;
  QTimer* Timer;

 public slots:
  void reject() override;

 private:
  void TimerTimer();
  void btnYesClick();
  void btnCancelClick();
  // Brings the controls in line with the state; closes the dialog when the
  // state has a result.
  void Sync();

  TTransferConfirm FState;
};

// Shows the dialog for the link; true when the transfer was confirmed.
bool ShowTransferConfirm(THecrLink& Link, TClockMs Clock = nullptr, int TickMs = kTransferTickMs);

}  // namespace danvore::ui
