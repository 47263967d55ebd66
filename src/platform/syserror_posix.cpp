#include <cerrno>
#include <cstring>

#include "platform/syserror.h"

namespace danvore::platform {

std::string SystemErrorText(int code) {
  switch (code) {
    case 13:
      return "The data is invalid.";
    case 20:
      return "The system cannot find the device specified.";
    case 22:
      return "The device does not recognize the command.";
    case 87:
      return "The parameter is incorrect.";
    case 1167:
      return "The device is not connected.";
    case 1222:
      return "The network is not present or not started.";
    case 1460:
      return "This operation returned because the timeout period expired.";
    default:
      return "System error " + std::to_string(code) + ".";
  }
}

std::string LastSystemErrorText() {
  return std::strerror(errno);
}

}  // namespace danvore::platform
