// A fresh folder under the system's temporary folder, removed with its
// content at the end of the test.
#pragma once

#include <atomic>
#include <filesystem>
#include <random>
#include <string>

#include "platform/fs.h"

namespace danvore::test {

class TTempDir {
 public:
  TTempDir() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    const auto name = "danvore_" + std::to_string(random()) + "_" + std::to_string(counter++);
    path_ = (std::filesystem::temp_directory_path() / name).string();
    std::filesystem::create_directories(path_);
  }
  ~TTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  // The folder without, and with, a trailing separator.
  const std::string& Path() const { return path_; }
  std::string Dir() const { return platform::IncludeTrailingPathDelimiter(path_); }
  std::string operator/(const std::string& name) const { return Dir() + name; }

 private:
  std::string path_;
};

// The whole content of a file; empty when it cannot be read.
inline std::string ReadText(const std::string& path) {
  std::string bytes;
  platform::ReadWholeFile(path, bytes);
  return bytes;
}

}  // namespace danvore::test
