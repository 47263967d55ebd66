#include "ecr-sim/frame_codec.h"

#include <algorithm>

#include "link/protocol.h"

namespace danvore::sim {

namespace {

constexpr std::uint8_t kStart1 = 0xAA;
constexpr std::uint8_t kStart2 = 0x03;

std::uint32_t ReadBig(const TBytes& bytes, std::size_t offset, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < size; ++i)
    value = (value << 8) | bytes[offset + i];
  return value;
}

void WriteBig(TBytes& bytes, std::size_t offset, std::size_t size, std::uint32_t value) {
  for (std::size_t i = 0; i < size; ++i) {
    bytes[offset + size - 1 - i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

std::uint8_t HeaderSum(const TBytes& bytes) {
  unsigned sum = 0;
  for (std::size_t i = 0; i + 1 < kFrameHeaderSize; ++i)
    sum += bytes[i];
  return static_cast<std::uint8_t>(sum);
}

}  // namespace

const TEcrCommands& CommandTable() {
  static const TEcrCommands table = [] {
    TEcrCommands commands;
    BuildCommandTable(commands);
    return commands;
  }();
  return table;
}

std::int32_t CommandIdOf(std::uint16_t code) {
  const TEcrCommand* row = CommandTable().FindByCommand(code);
  return row != nullptr ? row->ID : 0;
}

std::uint16_t CommandCodeOf(std::int32_t id) {
  const TEcrCommand* row = CommandTable().FindByID(id);
  return row != nullptr ? static_cast<std::uint16_t>(row->Command) : 0;
}

TBytes BuildFrame(std::uint16_t code, std::uint32_t packNum, std::uint32_t ecrId,
                  const TBytes& payload) {
  const std::size_t n = payload.size() & 0xFFFF;
  TBytes frame(kFrameHeaderSize + (n > 0 ? n + 2 : 0), 0);
  frame[0] = kStart1;
  frame[1] = kStart2;
  WriteBig(frame, 2, 2, code);
  WriteBig(frame, 4, 4, packNum);
  WriteBig(frame, 8, 4, ecrId);
  WriteBig(frame, 12, 2, static_cast<std::uint32_t>(n));
  frame[15] = HeaderSum(frame);
  if (n > 0) {
    std::copy(payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(n),
              frame.begin() + kFrameHeaderSize);
    WriteBig(frame, kFrameHeaderSize + n, 2, Crc16Xmodem(payload.data(), n));
  }
  return frame;
}

void TRequestReader::Append(const TBytes& bytes) {
  FBuffer.insert(FBuffer.end(), bytes.begin(), bytes.end());
}

// Drops everything before the first start pair; keeps a lone trailing start
// byte, whose partner may still come.
bool TRequestReader::SkipToStart() {
  for (std::size_t i = 0; i + 1 < FBuffer.size(); ++i) {
    if (FBuffer[i] == kStart1 && FBuffer[i + 1] == kStart2) {
      FBuffer.erase(FBuffer.begin(), FBuffer.begin() + static_cast<std::ptrdiff_t>(i));
      return true;
    }
  }
  const bool keepLast = !FBuffer.empty() && FBuffer.back() == kStart1;
  FBuffer.erase(FBuffer.begin(), FBuffer.end() - (keepLast ? 1 : 0));
  return false;
}

bool TRequestReader::Next(TSimFrame& frame) {
  while (SkipToStart()) {
    if (FBuffer.size() < kFrameHeaderSize) return false;
    if (HeaderSum(FBuffer) != FBuffer[15]) {
      // The length cannot be trusted: look for the next start pair.
      FBuffer.erase(FBuffer.begin());
      ++FDropped;
      continue;
    }
    const std::size_t n = ReadBig(FBuffer, 12, 2);
    const std::size_t size = kFrameHeaderSize + (n > 0 ? n + 2 : 0);
    if (FBuffer.size() < size) return false;
    const auto payloadBegin = FBuffer.begin() + kFrameHeaderSize;
    const bool intact = n == 0 || Crc16Xmodem(FBuffer.data() + kFrameHeaderSize, n) ==
                                      ReadBig(FBuffer, kFrameHeaderSize + n, 2);
    if (intact) {
      frame.Code = static_cast<std::uint16_t>(ReadBig(FBuffer, 2, 2));
      frame.Id = CommandIdOf(frame.Code);
      frame.PackNum = ReadBig(FBuffer, 4, 4);
      frame.EcrId = ReadBig(FBuffer, 8, 4);
      frame.Payload.assign(payloadBegin, payloadBegin + static_cast<std::ptrdiff_t>(n));
    } else {
      ++FDropped;
    }
    FBuffer.erase(FBuffer.begin(), FBuffer.begin() + static_cast<std::ptrdiff_t>(size));
    if (intact) return true;
  }
  return false;
}

}  // namespace danvore::sim
