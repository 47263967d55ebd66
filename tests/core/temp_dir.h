// A fresh folder under the system's temporary folder, removed with its
// content at the end of the test.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <thread>

#include "platform/fs.h"

namespace danvore::testing {

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

  // The folder with a trailing separator.
  std::string Dir() const { return platform::IncludeTrailingPathDelimiter(path_); }
  std::string operator/(const std::string& name) const { return Dir() + name; }

 private:
  std::string path_;
};

// Polls until the condition holds; false after the generous time-out.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

inline std::string ReadText(const std::string& path) {
  std::string bytes;
  platform::ReadWholeFile(path, bytes);
  return bytes;
}

}  // namespace danvore::testing
