#include "platform/listener.h"

#include <cstdio>

namespace danvore::platform {

bool IsLoopbackHost(const std::string& host) {
  if (host == "localhost" || host == "::1") return true;
  unsigned a = 0, b = 0, c = 0, d = 0;
  char tail = 0;
  if (std::sscanf(host.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) != 4) return false;
  return a == 127 && b <= 255 && c <= 255 && d <= 255;
}

}  // namespace danvore::platform
