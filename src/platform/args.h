// The program's command-line arguments as UTF-8 text.
#pragma once

#include <string>
#include <vector>

namespace danvore::platform {

// The arguments after the program name. On Windows argv arrives in the ANSI
// code page, which loses Greek folder names: the wide command line is used.
std::vector<std::string> CommandLineArgs(int argc, char** argv);

}  // namespace danvore::platform
