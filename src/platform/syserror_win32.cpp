#include <windows.h>

#include "platform/syserror.h"
#include "platform/utf_win32.h"

namespace danvore::platform {

std::string SystemErrorText(int code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (length == 0 || buffer == nullptr) return "System error " + std::to_string(code) + ".";
  std::wstring text(buffer, length);
  LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
    text.pop_back();
  return WideToUtf8(text);
}

std::string LastSystemErrorText() {
  return SystemErrorText(static_cast<int>(GetLastError()));
}

}  // namespace danvore::platform
