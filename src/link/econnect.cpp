#include "link/econnect.h"

#include "core/errors.h"

namespace danvore {

EConnect::EConnect() : std::runtime_error(SysErrorMessage(ERROR_DEVICE_NOT_CONNECTED_CODE)) {}

EConnect::EConnect(const std::string& AMessage) : std::runtime_error(AMessage) {}

}  // namespace danvore
