// Every request the register received, one JSON object per line:
// {"id":10004,"code":57474,"packnum":0,"ecrid":123456,"payload":"0153..."}
#pragma once

#include <string>

#include "ecr-sim/frame_codec.h"

namespace danvore::sim {

std::string FrameLogLine(const TSimFrame& frame);

class TFrameLog {
 public:
  explicit TFrameLog(std::string path = std::string()) : FPath(std::move(path)) {}
  void Write(const TSimFrame& frame) const;

 private:
  std::string FPath;
};

}  // namespace danvore::sim
