// TProtocol: builds request frames and recognises reply frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/bytes.h"
#include "link/ecr_command.h"

namespace danvore {

enum TCheckCode : std::uint8_t { ccOK = 0, ccEDataLen, ccEEcr, ccEProtocol };

// Frame layout shared by requests and replies: 16-byte header, then the
// payload and its CRC (high byte first) when the payload is not empty.
constexpr std::size_t kFrameHeaderSize = 16;
constexpr std::size_t kFrameCrcSize = 2;
constexpr std::size_t kMaxPayloadSize = 0xFFFF;
constexpr std::uint8_t kFrameStart1 = 0xAA;
constexpr std::uint8_t kFrameStart2 = 0x03;
// The code with which the register answers a command it rejects.
constexpr std::uint32_t kErrorReplyCode = 0x800D;

// CRC-16/XMODEM (poly 0x1021, init 0, no reflection, no final XOR).
std::uint16_t Crc16Xmodem(const std::uint8_t* data, std::size_t length);
// "AA 03 E0 " form: two upper-case hex digits and a space per byte.
std::string BytesToHex(const std::uint8_t* data, std::size_t length);
std::string BytesToHex(const TBytes& data);
// Sum of the first 15 header bytes, modulo 256.
std::uint8_t HeaderChecksum(const std::uint8_t* header);
// Where the first frame in `gathered` ends, for dropping a frame the check
// rejected: its whole length when its header is sound, else just past its
// start bytes (a false start); everything when no frame starts in it.
std::size_t RejectedFrameEnd(const TBytes& gathered);
// The ECR id field of a frame: the text read as a signed 64-bit decimal
// integer (optional leading '-', digits only, nothing else), low 32 bits.
// Any other text, empty text included, gives 0.
std::uint32_t EcrIdValue(const std::string& text);

class TProtocol {
 public:
  explicit TProtocol(const TEcrCommands* ACommands);
  virtual ~TProtocol() = default;

  // Frames the first Len bytes of `source` (none when Len <= 0) into
  // `Buffer`, reusing its storage, and returns the frame length. A Len beyond
  // `source` or beyond 65535 (which the length field cannot carry) raises
  // std::length_error instead of framing bytes that do not exist or writing
  // a length that disagrees with the payload.
  int PackBuffer(const TBytes& source, int Len, TBytes& Buffer);
  // Looks for the reply in the first BufLen gathered bytes; `Buffer`
  // receives its payload. Never raises.
  TCheckCode CheckData(const std::uint8_t* Buf, std::size_t BufLen, TBytes& Buffer);
  // The whole of `Stream`; empty gives ccEDataLen and leaves Logstring.
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
