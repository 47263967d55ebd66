// Whether the machine can reach a network at all.
#pragma once

#include <string>

namespace danvore::platform {

// True when the system reports a network connection; always true for a
// loopback host (IsLoopbackHost), which needs none.
bool NetworkAvailable(const std::string& host);

}  // namespace danvore::platform
