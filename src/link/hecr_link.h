// THecrLink: one request/reply exchange with the register over a transport,
// with waits and retries; the serial baud-rate scan; the properties request.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/bytes.h"
#include "core/result.h"
#include "link/ecr_command.h"
#include "link/protocol.h"
#include "link/transport.h"

namespace danvore {

enum TFisMode : std::uint8_t { fmNone = 0, fmTax };
enum TMachineType : std::uint8_t { mtFCR1 = 0, mtFCR2, mtFCR3, mtFCR5 };

struct TEcrProperties {
  std::string FisCode;
  std::string FisidNo;
  std::int32_t MachineId = 0;
  std::int32_t ClerkID = 0;
  std::int32_t PassWord = 0;
  std::int32_t port = 0;
  std::string host;
  std::int32_t Status = 0;
  double EcrDate = 0;
  std::string ExtParams;
  std::int32_t iType = 0;
  TFisMode FisMode = fmNone;
  std::int32_t LineBit = 0;
  TMachineType MachineType = mtFCR1;
  bool DiningMode = false;
};

struct TBaudRateCode {
  std::int32_t Rate;
  std::uint8_t Code;
};
extern const TBaudRateCode BaudRateCodes[6];
std::uint8_t BaudRateCode(std::int32_t rate);

// The error number in a register error text: the first line holding the
// marker "ΛAΘOΣ" whose rest reads as a decimal number; -1 when none.
int ParseErrorNumber(const std::string& text);

class THecrLink {
 public:
  // Makes the transport of the current ConnParams.Mode; tests replace it.
  using TTransportFactory = std::function<std::unique_ptr<ITransport>(const TConnParams&)>;
  // Milliseconds of the clock that bounds the waits; tests replace it.
  using TClock = std::function<std::int64_t()>;

  THecrLink();
  virtual ~THecrLink();
  THecrLink(const THecrLink&) = delete;
  THecrLink& operator=(const THecrLink&) = delete;

  void Open();            // raises EConnect
  void Close() noexcept;  // logs, never raises
  void Abort();
  void ResetPackNum(std::uint32_t PackNo = 0);

  TResult SendBuffer(std::int32_t CommandID, TBytes& wBuf, std::uint32_t PackNum, int BufLen,
                     int WaitTimeOut, int RetryCount, const std::string& EcrID);
  TResult SendBuffer(std::int32_t CommandID, TBytes& wBuf, std::uint32_t PackNum, int BufLen,
                     const std::string& EcrID);
  bool Connect(std::int32_t CmdID, const std::string& EcrID);

  bool Active() const { return FActive; }
  const TEcrCommands& Commands() const { return FCommands; }
  const TProtocol& Protocol() const { return FProtocal; }
  void SetTransportFactory(TTransportFactory factory);
  void SetClock(TClock clock);

  int TimeOut = 5000;
  int Retrycnt = 3;
  TConnParams ConnParams;

 protected:
  virtual TResult DoSendBuffer(const TEcrCommand& Cmd, TBytes& wBuf, std::uint32_t PackNum,
                               int BufLen, int WaitTimeOut, int RetryCount,
                               const std::string& EcrID);
  virtual bool DoConnect(std::int32_t CmdID, const std::string& EcrID);
  virtual void DoAbort();

 private:
  bool SendBaudProbe(std::int32_t CommandID, std::uint8_t code, const std::string& EcrID);
  void DecodeErrorReply(const TBytes& payload, TResult& Result) const;
  // Gathers reply bytes for one attempt; false when the wait ran out.
  bool AwaitReply(TBytes& wBuf, int WaitTimeOut, TResult& Result);
  // Runs the frame check over the gathered bytes and logs it; after a
  // rejected frame the bytes behind it are checked again at once.
  TCheckCode CheckGathered(TBytes& wBuf);

  bool FSocketLayer = false;
  bool FConnected = false;
  bool FActive = false;
  std::atomic<bool> FTerminated{false};
  TEcrCommands FCommands;
  TProtocol FProtocal;
  TBytes FStream;
  std::unique_ptr<ITransport> FTransport;
  TTransportFactory FFactory;
  TClock FClock;
};

void GetEcrProperties(THecrLink& Link, TEcrProperties& Props, TResult& Result);

}  // namespace danvore
