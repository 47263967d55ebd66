// File system operations the bridge needs. Paths are UTF-8 text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace danvore::platform {

// Full path of the running executable.
std::string ExecutablePath();

// The platform's path separator ('\\' on Windows, '/' elsewhere).
char PathSeparator();
bool IsPathSeparator(char c);
std::string IncludeTrailingPathDelimiter(const std::string& path);

// Creates the folder with every missing parent; true when it exists afterwards.
bool ForceDirectories(const std::string& path);
bool DirectoryExists(const std::string& path);
// True for an existing regular file (not a folder).
bool FileExists(const std::string& path);

// Appends bytes to the file, creating it when missing; one open/write/close.
bool AppendToFile(const std::string& path, const std::string& bytes);
bool ReadWholeFile(const std::string& path, std::string& bytes);
// Writes a temporary file beside `path`, flushes it to the disk and renames it
// over `path`, so readers see the old content or the new one, never a part.
bool WriteFileAtomic(const std::string& path, const std::string& bytes);
bool RemoveFile(const std::string& path);

struct TDirEntry {
  std::string Name;  // file name only
  std::string Path;  // folder + separator + name
  bool IsFile = false;
  double SecondsSinceModified = 0;
};

// "*" and "?" wildcards over the long name, ASCII letters compared without
// regard to case.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// The first entry that the platform's directory search returns for the
// wildcard pattern (for example "*.txt"), or nothing. Only that one entry is
// read: the folder is never listed in full. The pattern matches without regard
// to case, as on Windows; "." and ".." are never returned.
std::optional<TDirEntry> FindFirstEntry(const std::string& folder, const std::string& pattern);

}  // namespace danvore::platform
