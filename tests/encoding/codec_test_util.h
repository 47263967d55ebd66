// Small helpers for the codec tests: hex text <-> bytes and one-field
// encode/decode calls on a fresh payload.
#pragma once

#include <cstdio>
#include <sstream>
#include <string>

#include "core/bytes.h"
#include "encoding/codec.h"

namespace danvore::test {

// "00 0A FF" -> {0x00, 0x0A, 0xFF}
inline TBytes Bytes(const std::string& hex) {
  TBytes out;
  std::istringstream in(hex);
  std::string pair;
  while (in >> pair)
    out.push_back(static_cast<std::uint8_t>(std::stoul(pair, nullptr, 16)));
  return out;
}

inline std::string Hex(const TBytes& bytes) {
  std::string out;
  for (const std::uint8_t b : bytes) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", b);
    if (!out.empty()) out += ' ';
    out += text;
  }
  return out;
}

struct TEncoded {
  bool ok = false;
  std::string hex;
};

// Encodes into a zero payload of exactly `len` bytes at position 0.
inline TEncoded EncodeField(const TccEncode& codec, TDCDataType type, const FieldValue& value,
                            int len, int dec = 0) {
  TBytes buf(static_cast<std::size_t>(len), 0);
  int pos = 0;
  const bool ok = codec.DataToBuf(type, value, buf, pos, len, dec);
  return {ok, Hex(buf)};
}

inline FieldValue DecodeField(const TccEncode& codec, TDCDataType type, const std::string& hex,
                              int dec = 0) {
  const TBytes buf = Bytes(hex);
  int pos = 0;
  return codec.BufToData(type, buf, pos, static_cast<int>(buf.size()), dec);
}

}  // namespace danvore::test
