// The register's single-byte Greek character set: Greek letters at their
// ISO 8859-7 places, plus the euro, drachma and bullet signs.
#pragma once

#include <cstdint>

namespace danvore {

// The register byte of one UTF-16 code unit; a unit outside the set keeps
// only its low eight bits.
std::uint8_t GreekByteOf(char16_t unit);

// The character of one register byte. Byte 0x00 carries no character and
// gives u'\0'.
char16_t GreekCharOf(std::uint8_t byte);

}  // namespace danvore
