// The register on a serial port.
#pragma once

#include "core/result.h"
#include "link/transport.h"
#include "platform/serial.h"

namespace danvore {

class TSerialTransport : public ITransport {
 public:
  // Host: the port name; Port: the baud rate.
  explicit TSerialTransport(const TConnParams& Params);

  void Open() override;
  void Close() noexcept override;
  void WriteFrame(const TWriteArgs& Args) override;
  // Everything that arrives until more than 70 ms pass without a new byte.
  TBytes ReadAvailable() override;

 private:
  TConnParams FParams;
  platform::TSerialPort FPort;
};

}  // namespace danvore
