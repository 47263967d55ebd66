// Appends text to a file named by a UTF-8 path, creating it when missing.
#pragma once

#include <string>

namespace danvore::sim {

bool AppendToTextFile(const std::string& path, const std::string& text);

}  // namespace danvore::sim
