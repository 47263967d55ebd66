// File descriptors and folder streams owned by RAII, and the write and
// flush steps the file functions share. Internal to the platform layer.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <string>

namespace danvore::platform {

// Owns a file descriptor; close() keeps errno of the failure being reported.
class TFd {
 public:
  explicit TFd(int fd) : fd_(fd) {}
  ~TFd() { Close(); }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  bool Close() {
    if (fd_ < 0) return true;
    const int saved = errno;
    const bool ok = ::close(fd_) == 0;
    if (ok) errno = saved;
    fd_ = -1;
    return ok;
  }

 private:
  int fd_;
};

struct TDirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

inline bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

inline std::string ParentOf(const std::string& path) {
  const std::size_t pos = path.find_last_of('/');
  if (pos == std::string::npos) return ".";
  if (pos == 0) return "/";
  return path.substr(0, pos);
}

// Makes a new or removed entry durable: the folder's entry list is flushed.
inline bool SyncFolder(const std::string& folder) {
  TFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return dir.Valid() && ::fsync(dir.Get()) == 0;
}

}  // namespace danvore::platform
