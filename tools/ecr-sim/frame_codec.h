// The register's side of the frame layout: requests are taken out of the
// gathered bytes, replies are built with the register's own ECR id.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/bytes.h"
#include "link/ecr_command.h"

namespace danvore::sim {

// One request as the register received it.
struct TSimFrame {
  std::int32_t Id = 0;  // the command id of the code's table row; 0 when none
  std::uint16_t Code = 0;
  std::uint32_t PackNum = 0;
  std::uint32_t EcrId = 0;
  TBytes Payload;

  bool operator==(const TSimFrame&) const = default;
};

constexpr std::size_t kFrameHeaderSize = 16;

// The built-in command table, built once for the whole process.
const TEcrCommands& CommandTable();
// Id of the row with `code`, 0 when no row has it.
std::int32_t CommandIdOf(std::uint16_t code);
// Code of the row with `id`, 0 when no row has it.
std::uint16_t CommandCodeOf(std::int32_t id);

// A complete frame: header with checksum, payload, and the payload CRC when
// there is a payload.
TBytes BuildFrame(std::uint16_t code, std::uint32_t packNum, std::uint32_t ecrId,
                  const TBytes& payload);

// Gathers the bytes of a connection and cuts them into requests. A frame
// with a wrong header checksum or payload CRC is dropped without a word, as
// the register does; bytes outside frames are skipped.
class TRequestReader {
 public:
  void Append(const TBytes& bytes);
  // Moves the next complete, intact request into `frame`; false when the
  // gathered bytes hold none (yet).
  bool Next(TSimFrame& frame);
  // Bytes that wait for the rest of their frame.
  bool HasPartial() const { return !FBuffer.empty(); }
  void Reset() { FBuffer.clear(); }
  // Damaged frames dropped so far.
  std::size_t Dropped() const { return FDropped; }

 private:
  bool SkipToStart();
  TBytes FBuffer;
  std::size_t FDropped = 0;
};

}  // namespace danvore::sim
