#include "link/hecr_link.h"

#include <algorithm>

#include "core/errors.h"
#include "core/logger.h"
#include "encoding/codec.h"
#include "link/econnect.h"
#include "link/transport_factory.h"
#include "platform/clock.h"
#include "platform/socket.h"

namespace danvore {

const TBaudRateCode BaudRateCodes[6] = {{9600, 0},  {115200, 4}, {19200, 1},
                                        {38400, 2}, {57600, 3},  {230400, 5}};

std::uint8_t BaudRateCode(std::int32_t rate) {
  for (const TBaudRateCode& pair : BaudRateCodes) {
    if (pair.Rate == rate) return pair.Code;
  }
  return 1;
}

namespace {

// Bytes gathered in one attempt are dropped beyond this, so that a peer that
// never stops sending cannot use up the memory.
constexpr std::size_t kMaxGathered = 1024 * 1024;

std::string RetryLine(const std::string& text, int attempt) {
  return Format("%s %s, %s, Retry:%d", "Send Data", "Error", text, attempt);
}

}  // namespace

THecrLink::THecrLink()
    : FProtocal(&FCommands), FFactory(MakeTransport), FClock(platform::MonotonicMs) {
  BuildCommandTable(FCommands);
  std::string error;
  FSocketLayer = platform::StartSocketLayer(error);
  if (!FSocketLayer) WriteLog("WSAStartup:" + error, llError);
}

THecrLink::~THecrLink() {
  Close();
  if (FSocketLayer) platform::StopSocketLayer();
}

void THecrLink::SetTransportFactory(TTransportFactory factory) {
  FFactory = factory ? std::move(factory) : TTransportFactory(MakeTransport);
}

void THecrLink::SetClock(TClock clock) {
  FClock = clock ? std::move(clock) : TClock(platform::MonotonicMs);
}

void THecrLink::Open() {
  if (FActive) return;
  FTerminated = false;
  try {
    FTransport = FFactory(ConnParams);
    if (!FTransport) throw EConnect(SysErrorMessage(ERROR_BAD_UNIT_CODE));
    FTransport->Open();
  } catch (const EConnect&) {
    FTransport.reset();
    throw;
  } catch (const std::exception& error) {
    FTransport.reset();
    throw EConnect(error.what());
  }
  FActive = true;
}

void THecrLink::Close() noexcept {
  if (!FActive) return;
  try {
    WriteLog("Close...", llInfor);
    Abort();
    FTransport->Close();
    WriteLog("Close OK", llInfor);
  } catch (const std::exception& error) {
    try {
      WriteLog("Close Error," + std::string(error.what()), llError);
    } catch (...) {
      // Nothing is left to tell it to: the link is closed all the same.
    }
  }
  FTransport.reset();
  FActive = false;
}

void THecrLink::Abort() {
  DoAbort();
}

void THecrLink::DoAbort() {
  FTerminated = true;
}

void THecrLink::ResetPackNum(std::uint32_t PackNo) {
  FProtocal.PackNum = PackNo;
}

TResult THecrLink::SendBuffer(std::int32_t CommandID, TBytes& wBuf, std::uint32_t PackNum,
                              int BufLen, int WaitTimeOut, int RetryCount,
                              const std::string& EcrID) {
  const TEcrCommand* row = FCommands.FindByID(CommandID);
  if (row == nullptr) {
    FProtocal.PackNum = 0;
    return TResult{rcInvalidCommand, SysErrorMessage(ERROR_BAD_COMMAND_CODE), 0};
  }
  return DoSendBuffer(*row, wBuf, PackNum, BufLen, WaitTimeOut, RetryCount, EcrID);
}

TResult THecrLink::SendBuffer(std::int32_t CommandID, TBytes& wBuf, std::uint32_t PackNum,
                              int BufLen, const std::string& EcrID) {
  return SendBuffer(CommandID, wBuf, PackNum, BufLen, TimeOut, Retrycnt, EcrID);
}

TResult THecrLink::DoSendBuffer(const TEcrCommand& Cmd, TBytes& wBuf, std::uint32_t PackNum,
                                int BufLen, int WaitTimeOut, int RetryCount,
                                const std::string& EcrID) {
  // Whatever happens, the next exchange starts from packet number 0 and the
  // gathered bytes are not kept.
  struct TEndOfExchange {
    THecrLink& Link;
    ~TEndOfExchange() {
      Link.FProtocal.PackNum = 0;
      TBytes().swap(Link.FStream);
    }
  } endOfExchange{*this};

  FProtocal.EcrID = EcrID;
  FProtocal.bCommand = Cmd.Command;
  FProtocal.hCmd.Assign(Cmd);
  FProtocal.PackNum = PackNum;
  TWriteArgs args;
  TResult result;
  try {
    // Never frame more than the caller's buffer holds.
    const int length = std::min(BufLen, static_cast<int>(wBuf.size()));
    args.Count = FProtocal.PackBuffer(wBuf, length, args.Buffer);
  } catch (const std::exception& error) {
    // A payload no frame can carry: nothing is sent, and the caller learns
    // why from the result like from any other failure.
    SetResult(rcError, error.what(), 0, result);
    return result;
  }
  args.TimeOut = WaitTimeOut;
  const std::string sendLine = FProtocal.Logstring;

  if (RetryCount < 0) {
    SetResult(rcTimeOut, SysErrorMessage(ERROR_TIMEOUT_CODE), 0, result);
    return result;
  }
  for (int attempt = 0; attempt <= RetryCount; ++attempt) {
    try {
      if (!FActive) Open();
      WriteLog(sendLine, llInfor);
      FTransport->WriteFrame(args);
      if (WaitTimeOut == 0) return result;
      if (AwaitReply(wBuf, WaitTimeOut, result)) return result;
      WriteLog(RetryLine(SysErrorMessage(ERROR_TIMEOUT_CODE), attempt), llInfor);
    } catch (const EConnect& error) {
      Close();
      if (attempt == RetryCount) {
        SetResult(rcEConnect, error.what(), 0, result);
        return result;
      }
      WriteLog(RetryLine(error.what(), attempt), llInfor);
    } catch (const std::exception& error) {
      if (attempt == RetryCount) {
        SetResult(rcError, error.what(), 0, result);
        return result;
      }
      WriteLog(RetryLine(error.what(), attempt), llInfor);
    }
  }
  SetResult(rcTimeOut, SysErrorMessage(ERROR_TIMEOUT_CODE), 0, result);
  return result;
}

bool THecrLink::AwaitReply(TBytes& wBuf, int WaitTimeOut, TResult& Result) {
  FStream.clear();
  std::int64_t start = FClock();
  while (FClock() - start <= WaitTimeOut) {
    const TBytes got = FTransport->ReadAvailable();
    if (got.empty()) continue;
    if (FStream.size() + got.size() > kMaxGathered) FStream.clear();
    FStream.insert(FStream.end(), got.begin(), got.end());
    switch (CheckGathered(wBuf)) {
      case ccOK:
        SetResult(rcSuccess, std::string(), 0, Result);
        return true;
      case ccEEcr:
        DecodeErrorReply(wBuf, Result);
        return true;
      case ccEDataLen:
      case ccEProtocol:
        start = FClock();
        break;
    }
  }
  return false;
}

TCheckCode THecrLink::CheckGathered(TBytes& wBuf) {
  for (;;) {
    const TCheckCode code = FProtocal.CheckData(FStream, wBuf);
    WriteLog(FProtocal.Logstring, llInfor);
    if (code != ccEProtocol) return code;
    // A rejected frame (a late reply to an earlier request, a damaged one)
    // goes; a reply that came in the same read behind it is kept.
    FStream.erase(FStream.begin(),
                  FStream.begin() + static_cast<std::ptrdiff_t>(RejectedFrameEnd(FStream)));
    if (FStream.empty()) return code;
  }
}

void THecrLink::DecodeErrorReply(const TBytes& payload, TResult& Result) const {
  const int length = static_cast<int>(payload.size());
  if (length > 0 && payload[0] == 0xFE) {
    SetResult(rcEVastel, GccEncode().GreekText(payload, 1, length - 1), 254, Result);
    return;
  }
  const std::string text = GccEncode().GreekText(payload, 0, length);
  const int number = ParseErrorNumber(text);
  SetResult(rcEVastel, text, number == -1 ? ERROR_INVALID_DATA_CODE : number, Result);
}

bool THecrLink::Connect(std::int32_t CmdID, const std::string& EcrID) {
  return DoConnect(CmdID, EcrID);
}

bool THecrLink::DoConnect(std::int32_t CmdID, const std::string& EcrID) {
  if (FConnected || ConnParams.Mode != cmCOM) return true;
  const std::int32_t saved = ConnParams.Port;
  const std::uint8_t code = BaudRateCode(saved);
  // The configured rate is back in the settings however the scan ends.
  struct TRestorePort {
    TConnParams& Params;
    std::int32_t Port;
    ~TRestorePort() { Params.Port = Port; }
  } restore{ConnParams, saved};
  for (const TBaudRateCode& pair : BaudRateCodes) {
    if (FTerminated) return false;
    Close();
    ConnParams.Port = pair.Rate;
    Open();
    if (SendBaudProbe(CmdID, code, EcrID)) {
      Close();
      ConnParams.Port = saved;
      Open();
      FConnected = true;
      return true;
    }
  }
  return false;
}

bool THecrLink::SendBaudProbe(std::int32_t CommandID, std::uint8_t code, const std::string& EcrID) {
  try {
    TBytes payload{code, 0};
    return SendBuffer(CommandID, payload, 0, 1, 500, 1, EcrID).Code == rcSuccess;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace danvore
