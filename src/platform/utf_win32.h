// UTF-8 <-> the wide strings of the Windows API (UTF-16).
#pragma once

#include <string>

namespace danvore::platform {

std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);

}  // namespace danvore::platform
