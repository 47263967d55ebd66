// The register as a USB-HID device.
#pragma once

#include "core/result.h"
#include "link/hid.h"
#include "link/transport.h"

namespace danvore {

class THidTransport : public ITransport {
 public:
  // Host: the product id as decimal text; Port: the vendor id.
  explicit THidTransport(const TConnParams& Params,
                         platform::THidLibrary Library = platform::SystemHidLibrary());

  void Open() override;
  void Close() noexcept override;
  void WriteFrame(const TWriteArgs& Args) override;
  // One library read of at most 3000 ms.
  TBytes ReadAvailable() override;

  const THid& Hid() const { return FHid; }

 private:
  TConnParams FParams;
  THid FHid;
};

}  // namespace danvore
