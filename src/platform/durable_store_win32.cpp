#include <windows.h>

#include "platform/durable_store.h"
#include "platform/file_handle_win32.h"
#include "platform/fs.h"
#include "platform/utf_win32.h"

namespace danvore::platform {

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
