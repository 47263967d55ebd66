// Rates without a standard Bxxx constant (POSIX side of the serial layer).
#pragma once

namespace danvore::platform {

// Sets input and output speed of the open terminal `fd` to `rate`; false
// when the system offers no way to set an arbitrary rate.
bool SetCustomBaudRate(int fd, int rate);

}  // namespace danvore::platform
