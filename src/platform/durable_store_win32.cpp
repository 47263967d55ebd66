#include <windows.h>

#include <algorithm>

#include "platform/durable_store.h"
#include "platform/fs.h"
#include "platform/utf.h"

namespace danvore::platform {

namespace {

class THandle {
 public:
  explicit THandle(HANDLE handle) : handle_(handle) {}
  ~THandle() {
    if (Valid()) CloseHandle(handle_);
  }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }

 private:
  HANDLE handle_;
};

class TFindHandle {
 public:
  explicit TFindHandle(HANDLE handle) : handle_(handle) {}
  ~TFindHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  TFindHandle(const TFindHandle&) = delete;
  TFindHandle& operator=(const TFindHandle&) = delete;
  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

bool WriteAll(HANDLE file, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const std::size_t chunk = std::min<std::size_t>(bytes.size() - done, 1u << 30);
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, static_cast<DWORD>(chunk), &written, nullptr) ||
        written == 0)
      return false;
    done += written;
  }
  return true;
}

}  // namespace

// NTFS journals its metadata: creating or deleting a file needs no flush of
// the folder, only the data of the file itself does.
bool DurableAppend(const std::string& path, const std::string& bytes) {
  THandle file(CreateFileW(Utf8ToWide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.Valid() && WriteAll(file.Get(), bytes) && FlushFileBuffers(file.Get()) != 0;
}

bool DurableRemove(const std::string& path) {
  return DeleteFileW(Utf8ToWide(path).c_str()) != 0 || GetLastError() == ERROR_FILE_NOT_FOUND;
}

std::vector<std::string> ListFiles(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW data{};
  TFindHandle find(
      FindFirstFileW(Utf8ToWide(IncludeTrailingPathDelimiter(folder) + "*").c_str(), &data));
  if (!find.Valid()) return names;
  do {
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
      names.push_back(WideToUtf8(data.cFileName));
  } while (FindNextFileW(find.Get(), &data));
  return names;
}

}  // namespace danvore::platform
