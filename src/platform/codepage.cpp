#include "platform/codepage.h"

#include "platform/utf.h"

namespace danvore::platform {

namespace {

// US-ASCII is done here on every platform: Windows reads bytes above 0x7F of
// code page 20127 as their low seven bits, which would invent characters.
std::string AsciiToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) < 0x80) {
      out += c;
    } else {
      out += "\xEF\xBF\xBD";
    }
  }
  return out;
}

std::string Utf8ToAscii(std::string_view text) {
  const std::u16string units = Utf8ToUtf16(std::string(text));
  std::string out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t unit = units[i];
    const bool pair = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() &&
                      units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF;
    if (pair) ++i;
    out += unit < 0x80 ? static_cast<char>(unit) : '?';
  }
  return out;
}

}  // namespace

std::string CodePageToUtf8(int codePage, std::string_view bytes) {
  if (codePage != kAsciiCodePage) {
    if (auto text = detail::NativeCodePageToUtf8(codePage, bytes)) return *std::move(text);
  }
  return AsciiToUtf8(bytes);
}

std::string Utf8ToCodePage(int codePage, std::string_view text) {
  if (codePage != kAsciiCodePage) {
    if (auto bytes = detail::NativeUtf8ToCodePage(codePage, text)) return *std::move(bytes);
  }
  return Utf8ToAscii(text);
}

}  // namespace danvore::platform
