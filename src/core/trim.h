// Trimming of the padding that register texts and command fields carry:
// blanks and control characters, that is every code unit up to U+0020.
#pragma once

#include <string_view>
#include <type_traits>

namespace danvore {

template <typename Char>
std::basic_string_view<Char> TrimControls(std::basic_string_view<Char> text) {
  const auto padding = [](Char c) {
    return static_cast<std::make_unsigned_t<Char>>(c) <= static_cast<unsigned char>(' ');
  };
  while (!text.empty() && padding(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && padding(text.back()))
    text.remove_suffix(1);
  return text;
}

inline std::string_view TrimControls(std::string_view text) {
  return TrimControls<char>(text);
}

inline std::u16string_view TrimControls(std::u16string_view text) {
  return TrimControls<char16_t>(text);
}

}  // namespace danvore
