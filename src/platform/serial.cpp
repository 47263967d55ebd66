#include <algorithm>
#include <cctype>

#include "platform/serial.h"

namespace danvore::platform {

void SortPortNames(std::vector<std::string>& names) {
  const auto lower = [](std::string text) {
    for (char& c : text)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
    const std::string la = lower(a), lb = lower(b);
    return la != lb ? la < lb : a < b;
  });
  names.erase(std::unique(names.begin(), names.end()), names.end());
}

}  // namespace danvore::platform
