#include "ui/sel_print.h"

#include <QApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "ui/override_cursor.h"
#include "ui/ui_hooks.h"

namespace danvore::ui {

namespace {

// Bold 17 px, made smaller where the desktop's substitute for the narrow
// dialog font would cut the question off.
QFont MessageFont(const QString& text, int width) {
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setBold(true);
  for (int pixels = 17; pixels > 9; --pixels) {
    font.setPixelSize(pixels);
    if (QFontMetrics(font).horizontalAdvance(text) <= width) break;
  }
  return font;
}

QPushButton* Button(const QString& name, const QString& text, int left, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setGeometry(left, 12, 89, 43);
  return button;
}

}  // namespace

TfrmSelPrint::TfrmSelPrint(THecrLink& Link, TClockMs Clock, int TickMs, QWidget* Parent)
    : QDialog(Parent), FState(Link, std::move(Clock)) {
  setObjectName(QStringLiteral("frmSelPrint"));
  setWindowTitle(QString::fromUtf8(kTransferCaption));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  QFont base(QStringLiteral("Tahoma"));
  base.setPixelSize(12);
  setFont(base);
  setFixedSize(424, 157);

  lbCancelCount = new QLabel(this);
  lbCancelCount->setObjectName(QStringLiteral("lbCancelCount"));
  lbCancelCount->setGeometry(16, 16, 392, 20);
  lbMsg = new QLabel(QString::fromUtf8(kTransferMessage), this);
  lbMsg->setObjectName(QStringLiteral("lbMsg"));
  lbMsg->setFont(MessageFont(lbMsg->text(), 379));
  lbMsg->setGeometry(16, 48, 379, 24);

  pnlBottom = new QFrame(this);
  pnlBottom->setObjectName(QStringLiteral("pnlBottom"));
  pnlBottom->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  pnlBottom->setGeometry(0, 157 - 69, 424, 69);
  btnYes = Button(QStringLiteral("btnYes"), QString::fromUtf8(kTransferYesText), 80, pnlBottom);
  btnCancel =
      Button(QStringLiteral("btnCancel"), QString::fromUtf8(kTransferCancelText), 248, pnlBottom);
  connect(btnYes, &QPushButton::clicked, this, &TfrmSelPrint::btnYesClick);
  connect(btnCancel, &QPushButton::clicked, this, &TfrmSelPrint::btnCancelClick);

  Timer = new QTimer(this);
  Timer->setObjectName(QStringLiteral("Timer"));
  Timer->setInterval(TickMs);
  connect(Timer, &QTimer::timeout, this, &TfrmSelPrint::TimerTimer);

  FState.OnMessage = [this](const std::string& text) {
    Hooks().ShowMessage(this, QString::fromStdString(text));
  };
}

bool TfrmSelPrint::Execute() {
  FState.Show();
  Sync();
  // A dialog starts without a result: a transfer already finished closes it
  // at the first tick.
  setResult(QDialog::Rejected);
  // Answered with the normal pointer even under the busy cursor of a manual
  // report.
  const TOverrideCursor cursor(Qt::ArrowCursor);
  return exec() == QDialog::Accepted;
}

void TfrmSelPrint::reject() {
  FState.CloseBox();
  Sync();
}

void TfrmSelPrint::TimerTimer() {
  if (!FState.TimerEnabled()) return;
  FState.TimerTimer();
  Sync();
}

void TfrmSelPrint::btnYesClick() {
  {
    const TOverrideCursor busy(Qt::WaitCursor);
    FState.btnYesClick();
  }
  Sync();
}

void TfrmSelPrint::btnCancelClick() {
  {
    const TOverrideCursor busy(Qt::WaitCursor);
    FState.btnCancelClick();
  }
  Sync();
}

void TfrmSelPrint::Sync() {
  lbCancelCount->setText(QString::fromStdString(FState.CancelCountText()));
  btnYes->setEnabled(FState.ButtonsEnabled());
  btnCancel->setEnabled(FState.ButtonsEnabled());
  if (FState.TimerEnabled() && !Timer->isActive()) Timer->start();
  if (!FState.TimerEnabled()) Timer->stop();
  if (!isVisible()) return;
  if (FState.ModalResult() == mrOk) done(QDialog::Accepted);
  if (FState.ModalResult() == mrCancel) done(QDialog::Rejected);
}

bool ShowTransferConfirm(THecrLink& Link, TClockMs Clock, int TickMs) {
  TfrmSelPrint form(Link, std::move(Clock), TickMs);
  return form.Execute();
}

}  // namespace danvore::ui
