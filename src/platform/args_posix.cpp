#include "platform/args.h"

namespace danvore::platform {

std::vector<std::string> CommandLineArgs(int argc, char** argv) {
  if (argc <= 1) return {};
  return std::vector<std::string>(argv + 1, argv + argc);
}

}  // namespace danvore::platform
