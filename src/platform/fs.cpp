#include "platform/fs.h"

namespace danvore::platform {

std::string IncludeTrailingPathDelimiter(const std::string& path) {
  if (path.empty() || IsPathSeparator(path.back())) return path;
  return path + PathSeparator();
}

}  // namespace danvore::platform
