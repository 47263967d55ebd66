#include "manager/headless_prompt.h"

#include "core/config.h"
#include "core/format.h"
#include "core/logger.h"

namespace danvore {

THeadlessPrompt::THeadlessPrompt(bool AnswerYes, TClockMs Clock, int TickMs)
    : FAnswerYes(AnswerYes), FClock(std::move(Clock)), FTickMs(TickMs) {}

bool THeadlessPrompt::Aborted() const {
  return FAborted || !GetConfig().AppRunning;
}

bool THeadlessPrompt::AskPrintNow() {
  const bool yes = FAnswerYes && !Aborted();
  AddLog(llNotice, Format("%s %s", kPrintNowText, yes ? "Yes" : "No"), true);
  return yes;
}

bool THeadlessPrompt::ShowTransferConfirm(THecrLink& link) {
  TTransferConfirm dialog(link, FClock);
  dialog.OnMessage = [](const std::string& text) { AddLog(llWarning, text, true); };
  AddLog(llNotice, Format("%s: %s", kTransferCaption, kTransferMessage), true);
  dialog.Show();
  std::string shown;
  while (!dialog.Closed()) {
    if (dialog.CancelCountText() != shown) {
      shown = dialog.CancelCountText();
      AddLog(llNotice, shown, true);
    }
    if (Aborted() || FWake.WaitFor(FTickMs) || Aborted()) {
      dialog.CloseBox();
      break;
    }
    if (dialog.TimerEnabled()) dialog.TimerTimer();
  }
  const bool confirmed = dialog.ModalResult() == mrOk;
  AddLog(llNotice, Format("%s: %s", kTransferCaption, confirmed ? "OK" : kTransferCancelText),
         true);
  return confirmed;
}

void THeadlessPrompt::Abort() {
  FAborted = true;
  FWake.Set();
}

}  // namespace danvore
