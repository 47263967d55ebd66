// Conversions between UTF-8 text and the bytes of a Windows code page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace danvore::platform {

// Code page 0 is the system's default: the ANSI code page on Windows, the
// charset of the user's locale elsewhere.
constexpr int kDefaultCodePage = 0;
constexpr int kAsciiCodePage = 20127;

// Bytes to UTF-8. Never fails: bytes the code page does not define become
// U+FFFD; a code page the system cannot convert is read as US-ASCII.
std::string CodePageToUtf8(int codePage, std::string_view bytes);
// UTF-8 to bytes. Characters the code page cannot represent become '?', the
// rest of the text is kept. No byte-order mark.
std::string Utf8ToCodePage(int codePage, std::string_view text);

namespace detail {
// The platform's converters; nothing when the code page is not available.
std::optional<std::string> NativeCodePageToUtf8(int codePage, std::string_view bytes);
std::optional<std::string> NativeUtf8ToCodePage(int codePage, std::string_view text);
}  // namespace detail

}  // namespace danvore::platform
