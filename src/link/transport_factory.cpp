#include "link/transport_factory.h"

#include "core/format.h"
#include "link/econnect.h"
#include "link/hid_transport.h"
#include "link/serial_transport.h"
#include "link/tcp_transport.h"

namespace danvore {

std::unique_ptr<ITransport> MakeTransport(const TConnParams& Params) {
  switch (Params.Mode) {
    case cmCOM:
      return std::make_unique<TSerialTransport>(Params);
    case cmTCPClient:
      return std::make_unique<TTcpTransport>(Params);
    case cmHID:
      return std::make_unique<THidTransport>(Params);
  }
  throw EConnect(
      Format("Unknown connection kind %d (ConnKind must be 0 serial, 1 TCP client or 2 USB-HID)",
             static_cast<int>(Params.Mode)));
}

}  // namespace danvore
