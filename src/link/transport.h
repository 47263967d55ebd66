// One small interface for the three transports, so the link and the tests
// can swap a real port for a fake. Every failure raises EConnect.
#pragma once

#include "core/bytes.h"

namespace danvore {

struct TWriteArgs {
  TBytes Buffer;
  int Count = 0;
  int TimeOut = 0;
};

class ITransport {
 public:
  virtual ~ITransport() = default;
  virtual void Open() = 0;
  virtual void Close() noexcept = 0;
  virtual void WriteFrame(const TWriteArgs& Args) = 0;
  // What arrives in one read step, possibly nothing.
  virtual TBytes ReadAvailable() = 0;
};

}  // namespace danvore
