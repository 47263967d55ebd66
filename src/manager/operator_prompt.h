// The questions the worker puts to the operator during a Z report. The
// desktop application answers them with dialogs, the headless bridge with
// fixed answers; the worker waits for every answer before it goes on.
#pragma once

namespace danvore {

class THecrLink;

// Texts of the "print now" question.
inline constexpr const char* kPrintNowText = "Print Now?";
inline constexpr const char* kPrintNowCaption = "Confirm";

class IOperatorPrompt {
 public:
  virtual ~IOperatorPrompt() = default;
  // "Print Now?" with Yes and No; true for Yes. Called from the thread that
  // runs the report, which blocks until the answer.
  virtual bool AskPrintNow() = 0;
  // The end-of-day transfer confirmation on `link`; true when it closed as
  // confirmed. The caller holds the link lock for the whole question.
  virtual bool ShowTransferConfirm(THecrLink& link) = 0;
  // The application is closing: a question in progress ends as No / Cancel
  // at once. May be called from any thread.
  virtual void Abort() {}
};

}  // namespace danvore
