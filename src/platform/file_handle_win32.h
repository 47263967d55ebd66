// File and search handles owned by RAII, and the write step the file
// functions share. Internal to the platform layer.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <string>

namespace danvore::platform {

// Owns a kernel handle; closing keeps the last error of the failure being
// reported.
class THandle {
 public:
  explicit THandle(HANDLE handle) : handle_(handle) {}
  ~THandle() { Close(); }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  bool Close() {
    if (!Valid()) return true;
    const DWORD saved = GetLastError();
    const bool ok = CloseHandle(handle_) != 0;
    if (ok) SetLastError(saved);
    handle_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE handle_;
};

class TFindHandle {
 public:
  explicit TFindHandle(HANDLE handle) : handle_(handle) {}
  ~TFindHandle() {
    if (Valid()) FindClose(handle_);
  }
  TFindHandle(const TFindHandle&) = delete;
  TFindHandle& operator=(const TFindHandle&) = delete;
  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

inline bool WriteAll(HANDLE file, const std::string& bytes) {
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

}  // namespace danvore::platform
