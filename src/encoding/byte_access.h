// Bounded byte access for the field codecs: a field that reaches outside its
// buffer reads zeros there and its writes there are dropped.
#pragma once

#include <cstdint>

#include "core/bytes.h"

namespace danvore::detail {

inline std::uint8_t ReadByte(const TBytes& buf, std::int64_t pos) {
  return pos >= 0 && pos < static_cast<std::int64_t>(buf.size())
             ? buf[static_cast<std::size_t>(pos)]
             : 0;
}

inline void WriteByte(TBytes& buf, std::int64_t pos, std::uint8_t value) {
  if (pos >= 0 && pos < static_cast<std::int64_t>(buf.size())) {
    buf[static_cast<std::size_t>(pos)] = value;
  }
}

}  // namespace danvore::detail
