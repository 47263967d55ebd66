#include "platform/utf_win32.h"

#include "platform/utf.h"

namespace danvore::platform {

std::wstring Utf8ToWide(const std::string& text) {
  const std::u16string wide = Utf8ToUtf16(text);
  return std::wstring(wide.begin(), wide.end());
}

std::string WideToUtf8(const std::wstring& text) {
  return Utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

}  // namespace danvore::platform
