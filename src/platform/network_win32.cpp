#include <windows.h>
#include <wininet.h>

#include "platform/listener.h"
#include "platform/network.h"

namespace danvore::platform {

bool NetworkAvailable(const std::string& host) {
  if (IsLoopbackHost(host)) return true;
  DWORD flags = 0;
  return InternetGetConnectedState(&flags, 0) != FALSE;
}

}  // namespace danvore::platform
