// Pseudo-terminal pair for the register simulator: the simulator keeps the
// master end, the bridge opens the slave end as if it were a serial port.
#pragma once

#include <memory>
#include <string>

#include "platform/byte_channel.h"

namespace danvore::platform {

class TPseudoTerminal {
 public:
  // Opens a pair in raw mode and points the symbolic link `linkPath` (when
  // not empty) at the slave. Throws std::runtime_error; on Windows always,
  // with "pseudo-terminals are not available on Windows".
  static std::unique_ptr<TPseudoTerminal> Open(const std::string& linkPath);

  virtual ~TPseudoTerminal() = default;
  virtual const std::string& SlavePath() const = 0;
  // The master end; its PeerBaud() is the speed last set on the slave.
  virtual TByteChannel& Master() = 0;
};

}  // namespace danvore::platform
