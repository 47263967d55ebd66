// The operator's answers when no one sits at a screen: "Print Now?" gets a
// fixed answer, and the transfer confirmation only watches the register
// (the operator answers on the register itself) until it reports the
// transfer finished, or the five-minute limit passes.
#pragma once

#include <atomic>

#include "manager/operator_prompt.h"
#include "manager/transfer_confirm.h"
#include "platform/event.h"

namespace danvore {

class THeadlessPrompt : public IOperatorPrompt {
 public:
  // AnswerYes: the answer to "Print Now?". Clock and TickMs replace the
  // monotonic clock and the one-second timer (tests).
  explicit THeadlessPrompt(bool AnswerYes, TClockMs Clock = nullptr, int TickMs = kTransferTickMs);

  bool AskPrintNow() override;
  bool ShowTransferConfirm(THecrLink& link) override;
  void Abort() override;

 private:
  bool Aborted() const;

  bool FAnswerYes;
  TClockMs FClock;
  int FTickMs;
  std::atomic<bool> FAborted{false};
  platform::TEvent FWake;
};

}  // namespace danvore
