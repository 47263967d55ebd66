// TProtocol: builds request frames and recognises reply frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/bytes.h"
#include "link/ecr_command.h"

namespace danvore {

enum TCheckCode : std::uint8_t { ccOK = 0, ccEDataLen, ccEEcr, ccEProtocol };

// CRC-16/XMODEM (poly 0x1021, init 0, no reflection, no final XOR).
std::uint16_t Crc16Xmodem(const std::uint8_t* data, std::size_t length);
// "AA 03 E0 " form: two upper-case hex digits and a space per byte.
std::string BytesToHex(const std::uint8_t* data, std::size_t length);
std::string BytesToHex(const TBytes& data);

class TProtocol {
 public:
  explicit TProtocol(const TEcrCommands* ACommands);
  virtual ~TProtocol() = default;

  int PackBuffer(const TBytes& source, int Len, TBytes& Buffer);
  TCheckCode CheckData(const std::uint8_t* Buf, std::size_t BufLen, TBytes& Buffer);
  TCheckCode CheckData(const TBytes& Stream, TBytes& Buffer);

  std::string Logstring;
  std::int32_t ErrCode = 0;
  const TEcrCommands* Commands = nullptr;
  std::uint32_t Command = 0;
  std::uint32_t PackNum = 0;
  std::string EcrID;
  TCommandStatus Status = csOnline;
  TEcrCommand hCmd;
  std::uint32_t bCommand = 0;

 protected:
  virtual TCheckCode DoCheckData(const std::uint8_t* Buf, std::size_t BufLen, TBytes& Buffer);
  virtual int DoPackBuffer(const TBytes& source, int Len, TBytes& Buffer);
};

}  // namespace danvore
