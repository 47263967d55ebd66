#include "ecr-sim/frame_log.h"

#include "ecr-sim/file_append.h"

namespace danvore::sim {

std::string FrameLogLine(const TSimFrame& frame) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(frame.Payload.size() * 2);
  for (const std::uint8_t byte : frame.Payload) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0x0F];
  }
  return "{\"id\":" + std::to_string(frame.Id) + ",\"code\":" + std::to_string(frame.Code) +
         ",\"packnum\":" + std::to_string(frame.PackNum) +
         ",\"ecrid\":" + std::to_string(frame.EcrId) + ",\"payload\":\"" + hex + "\"}\n";
}

void TFrameLog::Write(const TSimFrame& frame) const {
  if (FPath.empty()) return;
  AppendToTextFile(FPath, FrameLogLine(frame));
}

}  // namespace danvore::sim
