#include "encoding/greek_charset.h"

namespace danvore {

namespace {

constexpr char16_t kEuro = 0x20AC;
constexpr char16_t kDrachma = 0x20AF;
constexpr char16_t kBullet = 0x2022;
constexpr char16_t kGreekFirst = 0x0370;
constexpr char16_t kGreekLast = 0x03CF;
constexpr int kGreekOffset = 0x2D0;

// Bytes 0xA0..0xFF that stand for a Greek character (byte + 0x2D0); the
// others of that range keep their Latin-1 meaning or are listed apart.
bool IsGreekByte(std::uint8_t byte) {
  return (byte >= 0xA0 && byte <= 0xA2) || (byte >= 0xB4 && byte <= 0xB6) ||
         (byte >= 0xB8 && byte <= 0xBA) || byte == 0xBC || byte >= 0xBE || byte == 0xAA;
}

}  // namespace

std::uint8_t GreekByteOf(char16_t unit) {
  if (unit >= kGreekFirst && unit <= kGreekLast) {
    return static_cast<std::uint8_t>(unit - kGreekOffset);
  }
  switch (unit) {
    case kBullet:
      return 0xB7;
    case kEuro:
      return 0xA4;
    case kDrachma:
      return 0xA5;
    default:
      return static_cast<std::uint8_t>(unit & 0xFF);
  }
}

char16_t GreekCharOf(std::uint8_t byte) {
  switch (byte) {
    case 0x00:
      return u'\0';
    case 0x01:
      return u' ';
    case 0x7F:
    case 0x80:
    case 0xA4:
      return kEuro;
    case 0xA5:
      return kDrachma;
    case 0xB7:
      return kBullet;
    default:
      break;
  }
  if (IsGreekByte(byte)) return static_cast<char16_t>(byte + kGreekOffset);
  return static_cast<char16_t>(byte);
}

}  // namespace danvore
