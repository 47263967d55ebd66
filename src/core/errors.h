// System error codes whose platform message texts travel in results.
#pragma once

#include <string>

namespace danvore {

constexpr int ERROR_INVALID_DATA_CODE = 13;
constexpr int ERROR_BAD_UNIT_CODE = 20;
constexpr int ERROR_BAD_COMMAND_CODE = 22;
constexpr int ERROR_INVALID_PARAMETER_CODE = 87;
constexpr int ERROR_DEVICE_NOT_CONNECTED_CODE = 1167;
constexpr int ERROR_NO_NETWORK_CODE = 1222;
constexpr int ERROR_TIMEOUT_CODE = 1460;

// The operating system's message text for a Windows error code.
std::string SysErrorMessage(int code);

}  // namespace danvore
