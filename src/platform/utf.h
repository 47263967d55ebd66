// UTF-8 <-> UTF-16 conversions for the places that speak of code units.
#pragma once

#include <string>

namespace danvore::platform {

std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);
// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(const std::string& text);

}  // namespace danvore::platform
