// Frame check over arbitrary gathered bytes: it must never crash, a prefix of
// the gathered bytes must never decide differently from the whole, and any
// payload must come back unchanged through a frame build and check.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "link/protocol.h"

namespace {

using danvore::TBytes;
using danvore::TCheckCode;
using danvore::TProtocol;

void Require(bool condition) {
  if (!condition) std::abort();
}

const danvore::TEcrCommands& Table() {
  static const danvore::TEcrCommands table = [] {
    danvore::TEcrCommands commands;
    danvore::BuildCommandTable(commands);
    return commands;
  }();
  return table;
}

struct Expectation {
  std::uint32_t packNum;
  std::uint32_t code;
};

struct Outcome {
  TCheckCode code;
  TBytes payload;
  std::string ecrId;
  std::uint32_t command;
  danvore::TCommandStatus status;
};

Outcome Check(const Expectation& expected, const std::uint8_t* data, std::size_t size) {
  TProtocol protocol(&Table());
  protocol.PackNum = expected.packNum;
  protocol.bCommand = expected.code;
  Outcome outcome{};
  outcome.code = protocol.CheckData(data, size, outcome.payload);
  outcome.ecrId = protocol.EcrID;
  outcome.command = protocol.Command;
  outcome.status = protocol.Status;
  Require(protocol.Logstring.size() == 8 + 3 * size);
  if (outcome.code == danvore::ccOK) Require(outcome.command == expected.code);
  if (outcome.code == danvore::ccEEcr) Require(outcome.command == danvore::kErrorReplyCode);
  return outcome;
}

std::uint32_t ReadBE(const std::uint8_t* at, int bytes) {
  std::uint32_t value = 0;
  for (int i = 0; i < bytes; ++i)
    value = (value << 8) | at[i];
  return value;
}

// What the first start pair of the input claims, so that the check gets
// past the packet-number and code steps; falls back to a status query.
Expectation ClaimedByInput(const std::uint8_t* data, std::size_t size) {
  for (std::size_t p = 0; p + 8 <= size; ++p) {
    if (data[p] == 0xAA && data[p + 1] == 0x03) {
      return {ReadBE(data + p + 4, 4), ReadBE(data + p + 2, 2)};
    }
  }
  return {0, 0xE000};
}

std::size_t SplitPoint(const std::uint8_t* data, std::size_t size) {
  std::uint32_t hash = 2166136261u;
  for (std::size_t i = 0; i < size; ++i)
    hash = (hash ^ data[i]) * 16777619u;
  return size == 0 ? 0 : hash % size;
}

// A prefix that already holds a complete frame decides exactly as the whole.
void CheckPrefix(const Expectation& expected, const std::uint8_t* data, std::size_t size,
                 std::size_t cut) {
  const Outcome whole = Check(expected, data, size);
  const Outcome prefix = Check(expected, data, cut);
  if (prefix.code == danvore::ccEDataLen) return;
  Require(whole.code == prefix.code);
  Require(whole.ecrId == prefix.ecrId);
  Require(whole.command == prefix.command);
  Require(whole.status == prefix.status);
  Require(whole.payload.size() == prefix.payload.size());
  if (prefix.code == danvore::ccOK || prefix.code == danvore::ccEEcr) {
    Require(whole.payload == prefix.payload);
  }
}

void CheckRoundTrip(const std::uint8_t* data, std::size_t size) {
  const std::size_t length = size < danvore::kMaxPayloadSize ? size : danvore::kMaxPayloadSize;
  const TBytes source(data, data + length);
  TProtocol protocol(&Table());
  protocol.hCmd.Command = length > 0 ? 0xE000u + data[0] : 0xE000u;
  protocol.PackNum = static_cast<std::uint32_t>(size);
  protocol.EcrID = "123456";
  protocol.bCommand = protocol.hCmd.Command;
  TBytes frame;
  const int frameSize = protocol.PackBuffer(source, static_cast<int>(length), frame);
  Require(static_cast<std::size_t>(frameSize) == frame.size());
  TBytes payload;
  Require(protocol.CheckData(frame.data(), frame.size() - 1, payload) == danvore::ccEDataLen);
  Require(protocol.CheckData(frame, payload) == danvore::ccOK);
  Require(payload == source);
  Require(protocol.EcrID == "123456");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Expectation expectations[] = {{0, 0xE000}, ClaimedByInput(data, size)};
  for (const Expectation& expected : expectations) {
    CheckPrefix(expected, data, size, SplitPoint(data, size));
    if (size > 0) CheckPrefix(expected, data, size, size - 1);
  }
  CheckRoundTrip(data, size);
  return 0;
}
