// The end-of-day transfer confirmation without a user interface: the two
// register calls of the transfer and the state of the confirmation dialog
// (timer ticks, the two answers, the five-minute limit). The desktop dialog
// and the headless bridge drive the same state, each with its own view.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/result.h"

namespace danvore {

class THecrLink;

// Texts of the dialog.
inline constexpr const char* kTransferCaption = "Confirm";
inline constexpr const char* kTransferYesText = "Select";
inline constexpr const char* kTransferCancelText = "Cancel";
inline constexpr const char* kTransferMessage = "ΕΠΙΒΕΒΑΙΩΣΗ ΜΕΤΑΦΟΡΑΣ ΔΕΔΟΜΕΝΩΝ ?";
// The attempt count out of 10. It mixes Greek and Latin capitals of the same
// look; keep its bytes as they are.
inline constexpr const char* kTransferAttemptPattern = "ΠPOΣΠAΘEIA METAΦ.%d/10";
// The answers to the transfer question.
inline constexpr const char* kTransferConfirmLetter = "s";
inline constexpr const char* kTransferCancelLetter = "c";
// The timer of the dialog and its limit.
inline constexpr int kTransferTickMs = 1000;
inline constexpr std::int64_t kTransferLimitMs = 5 * 60 * 1000;
// The wait of one status query made by the dialog.
inline constexpr int kTransferQueryWaitMs = 10000;

// Asks the register for its end-of-day transfer state ("e" to command
// 10012). On failure Status, CancelCount and Done keep 0 / false.
void QueryEndDailyStatus(THecrLink& Link, int WaitTime, int& Status, TResult& Result, bool& Done,
                         int& CancelCount);
// Sends the operator's answer, kTransferConfirmLetter or kTransferCancelLetter.
void SendEndDailyChoice(THecrLink& Link, const std::string& Letter, TResult& Result);

// Milliseconds of a clock that only moves forward.
using TClockMs = std::function<std::int64_t()>;

enum TModalResult : std::uint8_t { mrNone = 0, mrOk, mrCancel };

class TTransferConfirm {
 public:
  // Without a clock the platform's monotonic clock is used.
  explicit TTransferConfirm(THecrLink& Link, TClockMs Clock = nullptr);

  // What happens before the dialog appears: the attempt text with 0, one
  // refresh, the timer armed and the start time noted. A dialog always
  // appears without a result, even if that refresh found the transfer done:
  // it then closes at the first tick.
  void Show();
  // Queries the register and updates the state; a failure changes nothing.
  void RefreshState(TResult& Result);
  // One tick of the one-second timer; the view calls it only while
  // TimerEnabled() is true.
  void TimerTimer();
  // The two buttons: the answer "s" or "c", between two refreshes. Failures
  // go to OnMessage. Ignored while the buttons are disabled.
  void btnYesClick();
  void btnCancelClick();
  // The close box: the dialog closes as cancelled.
  void CloseBox();

  TModalResult ModalResult() const { return FModalResult; }
  bool Closed() const { return FModalResult != mrNone; }
  bool TimerEnabled() const { return FTimerEnabled; }
  bool ButtonsEnabled() const { return FButtonsEnabled; }
  bool Busy() const { return FBusy; }
  int EndDailyStatus() const { return FEndDailyStatus; }
  int CurCancelCount() const { return FCurCancelCount; }
  const std::string& CancelCountText() const { return FCancelCountText; }

  // Receives the messages the dialog shows in a message box.
  std::function<void(const std::string&)> OnMessage;

 private:
  void Answer(const char* Letter);
  void ShowMessage(const std::string& Text);
  std::int64_t Now() const;

  THecrLink& FLink;
  TClockMs FClock;
  std::int64_t FlastCheck = 0;
  bool FBusy = false;
  // True while a button's exchange runs (the hourglass of the desktop).
  bool FAnswering = false;
  bool FTimerEnabled = false;
  bool FButtonsEnabled = false;
  int FEndDailyStatus = 0;
  int FCurCancelCount = 0;
  std::string FCancelCountText;
  TModalResult FModalResult = mrNone;
};

}  // namespace danvore
