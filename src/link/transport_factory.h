// The transport for a connection kind.
#pragma once

#include <memory>

#include "core/result.h"
#include "link/transport.h"

namespace danvore {

// Serial, TCP client or USB-HID by Params.Mode; raises EConnect for a kind
// that is none of these (for example a damaged configuration file).
std::unique_ptr<ITransport> MakeTransport(const TConnParams& Params);

}  // namespace danvore
