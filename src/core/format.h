// printf-style formatting for the system's message patterns
// ("%s %s, %s", "Line%d(%s)", ...) that accepts std::string arguments.
#pragma once

#include <cstdio>
#include <string>
#include <type_traits>
#include <utility>

namespace danvore {

namespace detail {
template <typename T>
decltype(auto) FormatArg(const T& value) {
  if constexpr (std::is_same_v<std::decay_t<T>, std::string>) {
    return value.c_str();
  } else {
    return value;
  }
}
}  // namespace detail

template <typename... Args>
std::string Format(const char* pattern, const Args&... args) {
  const int size = std::snprintf(nullptr, 0, pattern, detail::FormatArg(args)...);
  if (size <= 0) return std::string();
  std::string text(static_cast<std::size_t>(size) + 1, '\0');
  std::snprintf(text.data(), text.size(), pattern, detail::FormatArg(args)...);
  text.resize(static_cast<std::size_t>(size));
  return text;
}

}  // namespace danvore
