#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "platform/file_handle_win32.h"
#include "platform/fs.h"
#include "platform/utf_win32.h"

namespace danvore::platform {

namespace {

DWORD Attributes(const std::string& path) {
  if (path.empty()) return INVALID_FILE_ATTRIBUTES;
  return GetFileAttributesW(Utf8ToWide(path).c_str());
}

std::string StripTrailingSeparators(std::string path) {
  while (path.size() > 1 && IsPathSeparator(path.back()))
    path.pop_back();
  return path;
}

std::string ParentOf(const std::string& path) {
  const std::size_t pos = path.find_last_of("\\/");
  if (pos == std::string::npos) return std::string();
  return path.substr(0, pos + 1);
}

std::uint64_t FileTimeTicks(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

double SecondsSince(const FILETIME& then) {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  const double ticks =
      static_cast<double>(FileTimeTicks(now)) - static_cast<double>(FileTimeTicks(then));
  return ticks / 1e7;
}

}  // namespace

std::string ExecutablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::string();
    if (n < buffer.size()) {
      buffer.resize(n);
      return WideToUtf8(buffer);
    }
    buffer.resize(buffer.size() * 2);
  }
}

char PathSeparator() {
  return '\\';
}

bool IsPathSeparator(char c) {
  return c == '\\' || c == '/';
}

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool ForceDirectories(const std::string& path) {
  const std::string folder = StripTrailingSeparators(path);
  if (folder.empty()) return false;
  if (DirectoryExists(folder)) return true;
  const std::string parent = StripTrailingSeparators(ParentOf(folder));
  if (!parent.empty() && parent != folder && !ForceDirectories(parent)) return false;
  if (CreateDirectoryW(Utf8ToWide(folder).c_str(), nullptr)) return true;
  const DWORD error = GetLastError();
  if (DirectoryExists(folder)) return true;  // made by someone else meanwhile
  SetLastError(error);
  return false;
}

bool AppendToFile(const std::string& path, const std::string& bytes) {
  THandle file(CreateFileW(Utf8ToWide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  if (!WriteAll(file.Get(), bytes)) return false;
  return file.Close();
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  // FILE_SHARE_DELETE lets another thread's WriteFileAtomic rename over the
  // file while it is read; this read keeps the old content.
  THandle file(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  std::string content;
  char chunk[65536];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(file.Get(), chunk, sizeof chunk, &n, nullptr)) return false;
    if (n == 0) break;
    content.append(chunk, n);
  }
  bytes = std::move(content);
  return true;
}

bool WriteFileAtomic(const std::string& path, const std::string& bytes) {
  static std::atomic<unsigned> counter{0};
  const std::wstring target = Utf8ToWide(path);
  const std::wstring temp = target + L".tmp" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                            std::to_wstring(counter.fetch_add(1));
  THandle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  const bool written =
      WriteAll(file.Get(), bytes) && FlushFileBuffers(file.Get()) && file.Close() &&
      MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!written) {
    const DWORD error = GetLastError();
    file.Close();
    DeleteFileW(temp.c_str());
    SetLastError(error);
  }
  return written;
}

bool RemoveFile(const std::string& path) {
  return DeleteFileW(Utf8ToWide(path).c_str()) != 0;
}

std::optional<TDirEntry> FindFirstEntry(const std::string& folder, const std::string& pattern) {
  const std::string base = IncludeTrailingPathDelimiter(folder);
  WIN32_FIND_DATAW data{};
  TFindHandle find(FindFirstFileW(Utf8ToWide(base + pattern).c_str(), &data));
  if (!find.Valid()) return std::nullopt;
  for (;;) {
    const std::string name = WideToUtf8(data.cFileName);
    // The search also matches 8.3 short names ("R1.txtx" for "*.txt"):
    // only an entry whose own name matches counts.
    if (name != "." && name != ".." && WildcardMatch(pattern, name)) {
      TDirEntry entry;
      entry.Name = name;
      entry.Path = base + name;
      entry.IsFile = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
      entry.SecondsSinceModified = SecondsSince(data.ftLastWriteTime);
      return entry;
    }
    if (!FindNextFileW(find.Get(), &data)) return std::nullopt;
  }
}

}  // namespace danvore::platform
