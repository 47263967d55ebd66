// Message texts of Windows system error codes.
#pragma once

#include <string>

namespace danvore::platform {

// Windows: FormatMessage's text, without the trailing line break.
// Elsewhere: the English text Windows gives for the codes the bridge uses.
std::string SystemErrorText(int code);

// Text of the last error of the calling thread (errno / GetLastError).
std::string LastSystemErrorText();

}  // namespace danvore::platform
