#include "ecr-sim/file_append.h"

#include <filesystem>
#include <fstream>

namespace danvore::sim {

bool AppendToTextFile(const std::string& path, const std::string& text) {
  const std::filesystem::path name(std::u8string(path.begin(), path.end()));
  std::ofstream file(name, std::ios::binary | std::ios::app);
  file << text;
  file.flush();
  return static_cast<bool>(file);
}

}  // namespace danvore::sim
