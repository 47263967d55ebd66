#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "platform/durable_store.h"
#include "platform/fs.h"

namespace danvore::platform {

namespace {

class TFd {
 public:
  explicit TFd(int fd) : fd_(fd) {}
  ~TFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }

 private:
  int fd_;
};

struct TDirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

std::string FolderOf(const std::string& path) {
  const std::size_t pos = path.find_last_of('/');
  if (pos == std::string::npos) return ".";
  return pos == 0 ? std::string("/") : path.substr(0, pos);
}

bool SyncFolder(const std::string& folder) {
  TFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return dir.Valid() && ::fsync(dir.Get()) == 0;
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool DurableAppend(const std::string& path, const std::string& bytes) {
  const bool existed = FileExists(path);
  TFd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
  if (!fd.Valid() || !WriteAll(fd.Get(), bytes) || ::fdatasync(fd.Get()) != 0) return false;
  return existed || SyncFolder(FolderOf(path));
}

bool DurableRemove(const std::string& path) {
  if (::unlink(path.c_str()) != 0) return errno == ENOENT;
  return SyncFolder(FolderOf(path));
}

std::vector<std::string> ListFiles(const std::string& folder) {
  std::vector<std::string> names;
  std::unique_ptr<DIR, TDirCloser> dir(::opendir(folder.c_str()));
  if (!dir) return names;
  const std::string base = IncludeTrailingPathDelimiter(folder);
  while (const struct dirent* item = ::readdir(dir.get())) {
    const std::string name = item->d_name;
    struct stat st {};
    if (::stat((base + name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(name);
  }
  return names;
}

}  // namespace danvore::platform
