#include <stdexcept>

#include "platform/pty.h"

namespace danvore::platform {

std::unique_ptr<TPseudoTerminal> TPseudoTerminal::Open(const std::string& /*linkPath*/) {
  throw std::runtime_error("pseudo-terminals are not available on Windows");
}

}  // namespace danvore::platform
