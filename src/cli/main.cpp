// danvore-cli: the bridge without a window, the dry-run checker and the
// manual operations from a shell.
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "core/program_dir.h"
#include "platform/args.h"

namespace {

constexpr const char* kUsage =
    "Usage: danvore-cli [--home DIR] COMMAND [options]\n"
    "\n"
    "Commands:\n"
    "  run            run the bridge headless (see danvore-cli run --help)\n"
    "  check FILE     dry run: show the frames a command file would send\n"
    "  x-report       print the X report\n"
    "  z-report       print the Z report (end of day)\n"
    "  void           void the open receipt\n"
    "  close-receipt  close the open receipt\n"
    "  check-conn     check the connection to the register\n"
    "\n"
    "--home DIR sets the program folder (Config.Ini, log/, Answer/);\n"
    "by default it is the folder of this executable.\n";

bool IsManual(const std::string& name) {
  return name == "x-report" || name == "z-report" || name == "void" || name == "close-receipt" ||
         name == "check-conn";
}

}  // namespace

int main(int argc, char** argv) {
  using namespace danvore;
  const cli::TArgs args = platform::CommandLineArgs(argc, argv);
  std::string command;
  cli::TArgs rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--home" && i + 1 < args.size()) {
      SetProgramDir(args[++i]);
    } else if (command.empty() && (args[i] == "--help" || args[i] == "-h")) {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (command.empty()) {
      command = args[i];
    } else {
      rest.push_back(args[i]);
    }
  }
  if (command == "run") return cli::RunBridge(rest);
  if (command == "check") return cli::RunCheck(rest);
  if (IsManual(command)) return cli::RunManual(command, rest);
  std::fputs(kUsage, stderr);
  return 2;
}
