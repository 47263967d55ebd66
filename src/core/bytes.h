// Byte buffers exchanged with the register.
#pragma once

#include <cstdint>
#include <vector>

namespace danvore {

using TBytes = std::vector<std::uint8_t>;

}  // namespace danvore
