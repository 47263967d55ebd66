// The register over a TCP connection.
#pragma once

#include "core/result.h"
#include "link/transport.h"
#include "platform/socket.h"

namespace danvore {

class TTcpTransport : public ITransport {
 public:
  // Host: name or address; Port: the TCP port (its low 16 bits).
  explicit TTcpTransport(const TConnParams& Params);

  void Open() override;
  void Close() noexcept override;
  void WriteFrame(const TWriteArgs& Args) override;
  // Waits up to 200 ms for data, then takes all that is there.
  TBytes ReadAvailable() override;

 private:
  TConnParams FParams;
  platform::TTcpClient FClient;
  TBytes FScratch;  // room for one read step
};

}  // namespace danvore
