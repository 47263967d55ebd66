#include "link/protocol.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <stdexcept>

namespace danvore {

namespace {

constexpr std::array<std::uint16_t, 256> MakeCrcTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned byte = 0; byte < 256; ++byte) {
    std::uint16_t crc = static_cast<std::uint16_t>(byte << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    table[byte] = crc;
  }
  return table;
}

constexpr std::array<std::uint16_t, 256> kCrcTable = MakeCrcTable();

// Header field offsets, relative to the start byte.
constexpr std::size_t kCodeOffset = 2;
constexpr std::size_t kPackNumOffset = 4;
constexpr std::size_t kEcrIdOffset = 8;
constexpr std::size_t kLengthOffset = 12;
constexpr std::size_t kChecksumOffset = 15;

constexpr const char* kSendPrefix = "Send:";
constexpr const char* kReceivePrefix = "Receive:";

std::uint16_t ReadBE16(const std::uint8_t* at) {
  return static_cast<std::uint16_t>((at[0] << 8) | at[1]);
}

std::uint32_t ReadBE32(const std::uint8_t* at) {
  return (std::uint32_t{at[0]} << 24) | (std::uint32_t{at[1]} << 16) | (std::uint32_t{at[2]} << 8) |
         std::uint32_t{at[3]};
}

void WriteBE16(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 8);
  at[1] = static_cast<std::uint8_t>(value);
}

void WriteBE32(std::uint8_t* at, std::uint32_t value) {
  WriteBE16(at, value >> 16);
  WriteBE16(at + 2, value);
}

void AppendHex(std::string& out, const std::uint8_t* data, std::size_t length) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const std::size_t start = out.size();
  out.resize(start + 3 * length);
  char* cursor = out.data() + start;
  for (std::size_t i = 0; i < length; ++i) {
    *cursor++ = kDigits[data[i] >> 4];
    *cursor++ = kDigits[data[i] & 0x0F];
    *cursor++ = ' ';
  }
}

// Rebuilds `line` as prefix + dump in place, so a long-lived Logstring keeps
// its storage from one check to the next.
void SetDumpLine(std::string& line, const char* prefix, const std::uint8_t* data,
                 std::size_t length) {
  line.assign(prefix);
  line.reserve(line.size() + 3 * length);
  AppendHex(line, data, length);
}

// Position of the first 0xAA 0x03 pair, or `length` when there is none.
std::size_t FindFrameStart(const std::uint8_t* data, std::size_t length) {
  std::size_t pos = 0;
  while (length >= 2 && pos < length - 1) {
    const void* hit = std::memchr(data + pos, kFrameStart1, length - 1 - pos);
    if (hit == nullptr) break;
    pos = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - data);
    if (data[pos + 1] == kFrameStart2) return pos;
    ++pos;
  }
  return length;
}

}  // namespace

std::uint16_t Crc16Xmodem(const std::uint8_t* data, std::size_t length) {
  std::uint16_t crc = 0;
  for (std::size_t i = 0; i < length; ++i) {
    crc = static_cast<std::uint16_t>((crc << 8) ^ kCrcTable[((crc >> 8) ^ data[i]) & 0xFF]);
  }
  return crc;
}

std::string BytesToHex(const std::uint8_t* data, std::size_t length) {
  std::string text;
  AppendHex(text, data, length);
  return text;
}

std::string BytesToHex(const TBytes& data) {
  return BytesToHex(data.data(), data.size());
}

std::uint8_t HeaderChecksum(const std::uint8_t* header) {
  unsigned sum = 0;
  for (std::size_t i = 0; i < kChecksumOffset; ++i)
    sum += header[i];
  return static_cast<std::uint8_t>(sum);
}

std::size_t RejectedFrameEnd(const TBytes& gathered) {
  const std::size_t size = gathered.size();
  const std::size_t start = FindFrameStart(gathered.data(), size);
  if (start >= size) return size;
  const std::uint8_t* header = gathered.data() + start;
  if (size - start < kFrameHeaderSize || HeaderChecksum(header) != header[kChecksumOffset])
    return start + 2;
  const std::size_t length = ReadBE16(header + kLengthOffset);
  const std::size_t end = start + kFrameHeaderSize + (length > 0 ? length + kFrameCrcSize : 0);
  return std::min(end, size);
}

std::uint32_t EcrIdValue(const std::string& text) {
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end) return 0;
  return static_cast<std::uint32_t>(value);
}

TProtocol::TProtocol(const TEcrCommands* ACommands) : Commands(ACommands) {}

int TProtocol::PackBuffer(const TBytes& source, int Len, TBytes& Buffer) {
  return DoPackBuffer(source, Len, Buffer);
}

TCheckCode TProtocol::CheckData(const std::uint8_t* Buf, std::size_t BufLen, TBytes& Buffer) {
  return DoCheckData(Buf, BufLen, Buffer);
}

TCheckCode TProtocol::CheckData(const TBytes& Stream, TBytes& Buffer) {
  if (Stream.empty()) return ccEDataLen;
  return DoCheckData(Stream.data(), Stream.size(), Buffer);
}

int TProtocol::DoPackBuffer(const TBytes& source, int Len, TBytes& Buffer) {
  const std::size_t length = Len > 0 ? static_cast<std::size_t>(Len) : 0;
  if (length > source.size() || length > kMaxPayloadSize) {
    throw std::length_error("payload length out of range");
  }
  const std::size_t size =
      length == 0 ? kFrameHeaderSize : length + kFrameHeaderSize + kFrameCrcSize;
  Buffer.assign(size, 0);
  std::uint8_t* frame = Buffer.data();
  frame[0] = kFrameStart1;
  frame[1] = kFrameStart2;
  WriteBE16(frame + kCodeOffset, hCmd.Command);
  WriteBE32(frame + kPackNumOffset, PackNum);
  WriteBE32(frame + kEcrIdOffset, EcrIdValue(EcrID));
  WriteBE16(frame + kLengthOffset, static_cast<std::uint32_t>(length));
  frame[kChecksumOffset] = HeaderChecksum(frame);
  ErrCode = 0;
  if (length > 0) {
    std::memcpy(frame + kFrameHeaderSize, source.data(), length);
    WriteBE16(frame + kFrameHeaderSize + length, Crc16Xmodem(source.data(), length));
  }
  SetDumpLine(Logstring, kSendPrefix, frame, size);
  return static_cast<int>(size);
}

// The order of the steps matters: a stale packet number is rejected before
// the reply's id and code are recorded, and an error reply still has to
// pass the checksum and CRC before it counts.
TCheckCode TProtocol::DoCheckData(const std::uint8_t* Buf, std::size_t BufLen, TBytes& Buffer) {
  Status = csOnline;
  SetDumpLine(Logstring, kReceivePrefix, Buf, BufLen);
  if (BufLen < kFrameHeaderSize) return ccEDataLen;
  const std::size_t start = FindFrameStart(Buf, BufLen);
  if (start == BufLen || BufLen - start < kFrameHeaderSize) return ccEDataLen;
  const std::uint8_t* frame = Buf + start;
  const std::size_t length = ReadBE16(frame + kLengthOffset);
  const std::size_t needed = kFrameHeaderSize + length + (length > 0 ? kFrameCrcSize : 0);
  if (BufLen - start < needed) return ccEDataLen;
  Buffer.resize(length);
  if (ReadBE32(frame + kPackNumOffset) != PackNum) return ccEProtocol;
  EcrID = std::to_string(ReadBE32(frame + kEcrIdOffset));
  Command = ReadBE16(frame + kCodeOffset);
  if (Commands != nullptr) {
    if (const TEcrCommand* row = Commands->FindByCommand(Command)) Status = row->Status;
  }
  const bool errorReply = Command == kErrorReplyCode;
  if (!errorReply && Command != bCommand) return ccEProtocol;
  if (HeaderChecksum(frame) != frame[kChecksumOffset]) return ccEProtocol;
  if (length > 0) {
    const std::uint8_t* payload = frame + kFrameHeaderSize;
    std::memcpy(Buffer.data(), payload, length);
    if (Crc16Xmodem(payload, length) != ReadBE16(payload + length)) return ccEProtocol;
  }
  return errorReply ? ccEEcr : ccOK;
}

}  // namespace danvore
