#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <memory>

#include "platform/args.h"
#include "platform/utf_win32.h"

namespace danvore::platform {

std::vector<std::string> CommandLineArgs(int argc, char** argv) {
  int count = 0;
  std::unique_ptr<LPWSTR, decltype(&LocalFree)> wide(CommandLineToArgvW(GetCommandLineW(), &count),
                                                     &LocalFree);
  std::vector<std::string> args;
  if (!wide) {
    for (int i = 1; i < argc; ++i)
      args.emplace_back(argv[i]);
    return args;
  }
  for (int i = 1; i < count; ++i)
    args.push_back(WideToUtf8(wide.get()[i]));
  return args;
}

}  // namespace danvore::platform
