#include <windows.h>

#include <array>

#include "platform/codepage.h"
#include "platform/utf_win32.h"

namespace danvore::platform {

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

bool IsUtfCodePage(UINT page) {
  const UINT actual = page == CP_ACP ? GetACP() : page;
  return actual == CP_UTF8 || actual == CP_UTF7;
}

// The character of every byte of a single-byte code page. Windows does not
// reject the bytes a code page leaves undefined: it hands out the C1 control
// or a private-use character of the same number instead. Those become U+FFFD
// like every undefined byte.
std::array<wchar_t, 256> SingleByteTable(UINT page) {
  std::array<wchar_t, 256> table{};
  for (int b = 0; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    wchar_t unit = 0;
    const int n = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, &byte, 1, &unit, 1);
    const bool c1Control = unit >= 0x80 && unit <= 0x9F;
    const bool privateUse = unit >= 0xE000 && unit <= 0xF8FF;
    table[static_cast<std::size_t>(b)] =
        (n == 1 && !c1Control && !privateUse) ? unit : kReplacement;
  }
  return table;
}

std::wstring MultiByteToWide(UINT page, std::string_view bytes) {
  const int size = static_cast<int>(bytes.size());
  const int n = MultiByteToWideChar(page, 0, bytes.data(), size, nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(page, 0, bytes.data(), size, wide.data(), n);
  return wide;
}

}  // namespace

namespace detail {

std::optional<std::string> NativeCodePageToUtf8(int codePage, std::string_view bytes) {
  const UINT page = static_cast<UINT>(codePage);
  CPINFO info{};
  if (!GetCPInfo(page, &info)) return std::nullopt;
  if (info.MaxCharSize != 1) return WideToUtf8(MultiByteToWide(page, bytes));
  const std::array<wchar_t, 256> table = SingleByteTable(page);
  std::wstring wide;
  wide.reserve(bytes.size());
  for (const char c : bytes)
    wide += table[static_cast<unsigned char>(c)];
  return WideToUtf8(wide);
}

std::optional<std::string> NativeUtf8ToCodePage(int codePage, std::string_view text) {
  const UINT page = static_cast<UINT>(codePage);
  CPINFO info{};
  if (!GetCPInfo(page, &info)) return std::nullopt;
  const std::wstring wide = Utf8ToWide(std::string(text));
  if (wide.empty()) return std::string();
  // No best-fit: a character the code page lacks becomes its default
  // character instead of a look-alike.
  const DWORD flags = IsUtfCodePage(page) ? 0 : WC_NO_BEST_FIT_CHARS;
  const int size = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(page, flags, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(page, flags, wide.data(), size, bytes.data(), n, nullptr, nullptr);
  return bytes;
}

}  // namespace detail

}  // namespace danvore::platform
