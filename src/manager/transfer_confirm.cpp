#include "manager/transfer_confirm.h"

#include <exception>

#include "core/format.h"
#include "encoding/codec.h"
#include "link/hecr_link.h"
#include "platform/clock.h"

namespace danvore {

namespace {

constexpr std::int32_t kGeneralCommand = 10012;
constexpr int kQueryRetries = 9;
constexpr const char* kEcrId = "123456";
constexpr int kStatusFinished = 2;

int DecodeByte(const TBytes& Buf, int Pos) {
  std::int64_t value = 0;
  GccEncode().BufToData(dtBIN, Buf, Pos, 1).TryAsInt64(value);
  return static_cast<int>(value);
}

}  // namespace

void QueryEndDailyStatus(THecrLink& Link, int WaitTime, int& Status, TResult& Result, bool& Done,
                         int& CancelCount) {
  Status = 0;
  CancelCount = 0;
  Done = false;
  TBytes buf = GccEncode().GreekBytes("e");
  const int len = static_cast<int>(buf.size());
  Result = Link.SendBuffer(kGeneralCommand, buf, 0, len, WaitTime, kQueryRetries, kEcrId);
  if (Result.Code != rcSuccess) return;
  if (buf.size() < 2) {
    Done = true;
    return;
  }
  Status = DecodeByte(buf, 0);
  CancelCount = DecodeByte(buf, 1);
  if (buf.size() > 2) Done = buf[2] == 1;
}

void SendEndDailyChoice(THecrLink& Link, const std::string& Letter, TResult& Result) {
  TBytes buf = GccEncode().GreekBytes(Letter);
  const int len = static_cast<int>(buf.size());
  Result = Link.SendBuffer(kGeneralCommand, buf, 0, len, kEcrId);
}

TTransferConfirm::TTransferConfirm(THecrLink& Link, TClockMs Clock)
    : FLink(Link), FClock(Clock ? std::move(Clock) : TClockMs(platform::MonotonicMs)) {}

std::int64_t TTransferConfirm::Now() const {
  return FClock();
}

void TTransferConfirm::ShowMessage(const std::string& Text) {
  if (OnMessage) OnMessage(Text);
}

void TTransferConfirm::Show() {
  FCancelCountText = Format(kTransferAttemptPattern, 0);
  TResult ignored;
  RefreshState(ignored);
  FTimerEnabled = true;
  FlastCheck = Now();
  FModalResult = mrNone;
}

void TTransferConfirm::RefreshState(TResult& Result) {
  int status = 0;
  int count = 0;
  bool done = false;
  QueryEndDailyStatus(FLink, kTransferQueryWaitMs, status, Result, done, count);
  if (Result.Code != rcSuccess) return;
  FEndDailyStatus = status;
  FCurCancelCount = count;
  if (done || status == kStatusFinished) {
    FModalResult = mrOk;
    FTimerEnabled = false;
    return;
  }
  FButtonsEnabled = status != 0 && !FAnswering;
  FCancelCountText = Format(kTransferAttemptPattern, count);
}

void TTransferConfirm::TimerTimer() {
  if (FBusy) return;
  FTimerEnabled = false;
  FBusy = true;
  try {
    TResult ignored;
    RefreshState(ignored);
    // Checked after the refresh: at the limit, Cancel wins over a late OK.
    if (Now() - FlastCheck >= kTransferLimitMs) {
      FModalResult = mrCancel;
      FTimerEnabled = false;
    }
  } catch (...) {
    FBusy = false;
    FTimerEnabled = true;
    throw;
  }
  FBusy = false;
  FTimerEnabled = true;
}

void TTransferConfirm::btnYesClick() {
  Answer(kTransferConfirmLetter);
}

void TTransferConfirm::btnCancelClick() {
  Answer(kTransferCancelLetter);
}

void TTransferConfirm::CloseBox() {
  FModalResult = mrCancel;
  FTimerEnabled = false;
}

void TTransferConfirm::Answer(const char* Letter) {
  if (!FButtonsEnabled || Closed()) return;
  FTimerEnabled = false;
  FAnswering = true;
  try {
    TResult result;
    RefreshState(result);
    if (result.Code != rcSuccess) {
      ShowMessage(result.Msg);
    } else {
      SendEndDailyChoice(FLink, Letter, result);
      if (result.Code != rcSuccess) {
        ShowMessage(result.Msg);
      } else {
        RefreshState(result);
        if (result.Code != rcSuccess) ShowMessage(result.Msg);
      }
    }
  } catch (const std::exception& e) {
    ShowMessage(e.what());
  }
  if (FEndDailyStatus != kStatusFinished) FTimerEnabled = true;
  FAnswering = false;
}

}  // namespace danvore
