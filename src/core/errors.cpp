#include "core/errors.h"

#include "platform/syserror.h"

namespace danvore {

std::string SysErrorMessage(int code) {
  return platform::SystemErrorText(code);
}

}  // namespace danvore
