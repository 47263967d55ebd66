#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "platform/durable_store.h"
#include "platform/file_handle_posix.h"
#include "platform/fs.h"

namespace danvore::platform {

bool DurableAppend(const std::string& path, const std::string& bytes) {
  const bool existed = FileExists(path);
  TFd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
  if (!fd.Valid() || !WriteAll(fd.Get(), bytes) || ::fdatasync(fd.Get()) != 0) return false;
  return existed || SyncFolder(ParentOf(path));
}

bool DurableRemove(const std::string& path) {
  if (::unlink(path.c_str()) != 0) return errno == ENOENT;
  return SyncFolder(ParentOf(path));
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
