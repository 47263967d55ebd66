// Frames as the register sends them, built independently of the production
// encoder so that the tests check it rather than repeat it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/bytes.h"

namespace danvore::test {

inline std::uint16_t Crc(const TBytes& data) {
  std::uint16_t crc = 0;
  for (const std::uint8_t byte : data) {
    crc ^= static_cast<std::uint16_t>(byte << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x8000) != 0 ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                : static_cast<std::uint16_t>(crc << 1);
    }
  }
  return crc;
}

// A frame as the register sends it.
inline TBytes Frame(std::uint16_t code, std::uint32_t packNum, const TBytes& payload = {},
                    std::uint32_t ecrId = 123456) {
  TBytes frame = {0xAA,
                  0x03,
                  static_cast<std::uint8_t>(code >> 8),
                  static_cast<std::uint8_t>(code),
                  static_cast<std::uint8_t>(packNum >> 24),
                  static_cast<std::uint8_t>(packNum >> 16),
                  static_cast<std::uint8_t>(packNum >> 8),
                  static_cast<std::uint8_t>(packNum),
                  static_cast<std::uint8_t>(ecrId >> 24),
                  static_cast<std::uint8_t>(ecrId >> 16),
                  static_cast<std::uint8_t>(ecrId >> 8),
                  static_cast<std::uint8_t>(ecrId),
                  static_cast<std::uint8_t>(payload.size() >> 8),
                  static_cast<std::uint8_t>(payload.size()),
                  0};
  std::uint8_t sum = 0;
  for (const std::uint8_t byte : frame)
    sum = static_cast<std::uint8_t>(sum + byte);
  frame.push_back(sum);
  if (!payload.empty()) {
    frame.insert(frame.end(), payload.begin(), payload.end());
    const std::uint16_t crc = Crc(payload);
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    frame.push_back(static_cast<std::uint8_t>(crc));
  }
  return frame;
}

inline TBytes Concat(TBytes a, const TBytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline std::uint16_t FrameCode(const TBytes& frame) {
  return static_cast<std::uint16_t>((frame.at(2) << 8) | frame.at(3));
}
inline std::uint32_t FramePackNum(const TBytes& frame) {
  return (static_cast<std::uint32_t>(frame.at(4)) << 24) | (frame.at(5) << 16) |
         (frame.at(6) << 8) | frame.at(7);
}
inline TBytes FramePayload(const TBytes& frame) {
  const std::size_t length = (static_cast<std::size_t>(frame.at(12)) << 8) | frame.at(13);
  return TBytes(frame.begin() + 16, frame.begin() + 16 + static_cast<std::ptrdiff_t>(length));
}

}  // namespace danvore::test
