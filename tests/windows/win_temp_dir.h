// A fresh folder under the Windows temporary folder (a drive-letter path such
// as C:\users\...\Temp\danvore_win_...), removed with its content at the end.
// Paths are UTF-8 text, as the platform layer takes them.
#pragma once

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/utf_win32.h"

namespace danvore::testing {

class TWinTempDir {
 public:
  TWinTempDir() {
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
    std::wstring path(temp, n);
    path += L"danvore_win_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
            std::to_wstring(counter++);
    ::CreateDirectoryW(path.c_str(), nullptr);
    path_ = path;
  }
  ~TWinTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(path_), ignored);
  }
  TWinTempDir(const TWinTempDir&) = delete;
  TWinTempDir& operator=(const TWinTempDir&) = delete;

  // The folder without a trailing separator.
  std::string Path() const { return platform::WideToUtf8(path_); }
  std::string operator/(const std::string& name) const { return Path() + "\\" + name; }

 private:
  std::wstring path_;
};

inline bool WideDirectoryExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(platform::Utf8ToWide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Names of the entries of a folder, read with the wide API.
inline std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::path(platform::Utf8ToWide(folder))))
    names.push_back(platform::WideToUtf8(entry.path().filename().wstring()));
  return names;
}

}  // namespace danvore::testing
