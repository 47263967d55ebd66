#include <ifaddrs.h>
#include <net/if.h>

#include "platform/listener.h"
#include "platform/network.h"

namespace danvore::platform {

bool NetworkAvailable(const std::string& host) {
  if (IsLoopbackHost(host)) return true;
  struct ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return false;
  bool found = false;
  for (const struct ifaddrs* entry = list; entry != nullptr && !found; entry = entry->ifa_next) {
    const unsigned flags = entry->ifa_flags;
    found = entry->ifa_addr != nullptr && (flags & IFF_UP) != 0 && (flags & IFF_LOOPBACK) == 0;
  }
  ::freeifaddrs(list);
  return found;
}

}  // namespace danvore::platform
