// The file operations of a small record store that must survive a crash or
// a power loss: once a call returns true, what it did is on the disk.
#pragma once

#include <string>
#include <vector>

namespace danvore::platform {

// Appends bytes to the file, creating it when missing, and flushes the data
// (and, for a new file, the folder entry) to the disk before it returns.
bool DurableAppend(const std::string& path, const std::string& bytes);

// Removes the file and flushes the folder, so the removal is not undone by a
// power loss. True when the file is gone afterwards (also when it was
// missing).
bool DurableRemove(const std::string& path);

// The names of the regular files directly in the folder, in no particular
// order; empty when the folder is missing or unreadable.
std::vector<std::string> ListFiles(const std::string& folder);

}  // namespace danvore::platform
