#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <memory>

#include "platform/file_handle_posix.h"
#include "platform/fs.h"

namespace danvore::platform {

namespace {

std::string StripTrailingSeparators(std::string path) {
  while (path.size() > 1 && path.back() == '/')
    path.pop_back();
  return path;
}

double SecondsSince(const struct timespec& then) {
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<double>(now.tv_sec - then.tv_sec) +
         static_cast<double>(now.tv_nsec - then.tv_nsec) / 1e9;
}

}  // namespace

std::string ExecutablePath() {
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return std::string();
    if (static_cast<std::size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<std::size_t>(n));
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

char PathSeparator() {
  return '/';
}

bool IsPathSeparator(char c) {
  return c == '/';
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool ForceDirectories(const std::string& path) {
  const std::string folder = StripTrailingSeparators(path);
  if (folder.empty()) return false;
  if (DirectoryExists(folder)) return true;
  const std::string parent = ParentOf(folder);
  if (parent != folder && !ForceDirectories(parent)) return false;
  if (::mkdir(folder.c_str(), 0777) == 0) return true;
  const int error = errno;
  if (DirectoryExists(folder)) return true;  // made by someone else meanwhile
  errno = error;
  return false;
}

bool AppendToFile(const std::string& path, const std::string& bytes) {
  TFd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
  if (!fd.Valid()) return false;
  if (!WriteAll(fd.Get(), bytes)) return false;
  return fd.Close();
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) return false;
  std::string content;
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd.Get(), chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    content.append(chunk, static_cast<std::size_t>(n));
  }
  bytes = std::move(content);
  return true;
}

bool WriteFileAtomic(const std::string& path, const std::string& bytes) {
  std::string temp = path + ".XXXXXX";
  TFd fd(::mkstemp(temp.data()));
  if (!fd.Valid()) return false;
  // mkstemp creates the file private; keep the mode of the file it replaces.
  struct stat st {};
  const mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  const bool written = ::fchmod(fd.Get(), mode) == 0 && WriteAll(fd.Get(), bytes) &&
                       ::fsync(fd.Get()) == 0 && fd.Close() &&
                       ::rename(temp.c_str(), path.c_str()) == 0;
  if (!written) {
    const int error = errno;
    fd.Close();
    ::unlink(temp.c_str());
    errno = error;
    return false;
  }
  // The rename itself becomes durable only once the folder is flushed.
  SyncFolder(ParentOf(path));
  return true;
}

bool RemoveFile(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

std::optional<TDirEntry> FindFirstEntry(const std::string& folder, const std::string& pattern) {
  std::unique_ptr<DIR, TDirCloser> dir(::opendir(folder.c_str()));
  if (!dir) return std::nullopt;
  // Windows matches wildcards without regard to case; so does the bridge.
  while (const struct dirent* item = ::readdir(dir.get())) {
    const std::string name = item->d_name;
    if (name == "." || name == "..") continue;
    if (::fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) != 0) continue;
    TDirEntry entry;
    entry.Name = name;
    entry.Path = IncludeTrailingPathDelimiter(folder) + name;
    struct stat st {};
    if (::stat(entry.Path.c_str(), &st) == 0) {
      entry.IsFile = S_ISREG(st.st_mode);
      entry.SecondsSinceModified = SecondsSince(st.st_mtim);
    }
    return entry;
  }
  return std::nullopt;
}

}  // namespace danvore::platform
