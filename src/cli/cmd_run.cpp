// danvore-cli run: the bridge without a window. It works the command folder
// of Config.Ini until SIGINT / SIGTERM (Ctrl+C on Windows), then stops the
// worker and the logger in that order.
#include <cstdio>
#include <exception>
#include <string>

#include "cli/commands.h"
#include "cli/console_log.h"
#include "core/config.h"
#include "core/program_dir.h"
#include "manager/bridge.h"
#include "manager/headless_prompt.h"
#include "platform/fs.h"
#include "platform/instance_lock.h"
#include "platform/signals.h"

namespace danvore::cli {

namespace {

constexpr const char* kRunHelp =
    "Usage: danvore-cli [--home DIR] run [--yes]\n"
    "\n"
    "Runs the bridge without a window: reads Config.Ini from the program\n"
    "folder, watches its command folder (SourceDataPath), runs every *.txt\n"
    "command file against the register and writes the answer files under\n"
    "AnswerPath. The worker's messages are shown here and written to the\n"
    "log folder. SIGINT or SIGTERM (Ctrl+C) stops it; the exit code is then 0.\n"
    "One copy runs per program folder.\n"
    "\n"
    "Options:\n"
    "  --yes       answer Yes to \"Print Now?\" of a Z report (default: No,\n"
    "              and the Z report ends with \"User Cancel\")\n"
    "  -h, --help  show this text\n"
    "\n"
    "The end-of-day transfer confirmation of a Z report is answered on the\n"
    "register itself: the bridge waits up to 5 minutes for the register to\n"
    "report the transfer finished.\n";

constexpr int kTickMs = 1000;

}  // namespace

int RunBridge(const TArgs& args) {
  bool yes = false;
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      std::fputs(kRunHelp, stdout);
      return 0;
    }
    if (arg != "--yes") {
      std::fprintf(stderr, "danvore-cli run: unknown option %s\n\n%s", arg.c_str(), kRunHelp);
      return 2;
    }
    yes = true;
  }
  const platform::TInstanceLock lock = platform::TInstanceLock::ForFolder(ProgramDir());
  if (lock.State() == platform::TLockState::Busy) {
    std::fputs("App is already running!\n", stderr);
    return 1;
  }
  if (!lock.Acquired()) {
    std::fprintf(stderr, "danvore-cli run: cannot lock the program folder %s: %s\n",
                 ProgramDir().c_str(), lock.ErrorText().c_str());
    return 1;
  }
  platform::CatchStopSignals();
  if (!platform::FileExists(ConfigFilePath()))
    std::fprintf(stderr, "danvore-cli run: %s not found, the defaults apply\n",
                 ConfigFilePath().c_str());
  THeadlessPrompt prompt(yes);
  TBridge bridge;
  try {
    bridge.Start(&prompt);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "danvore-cli run: %s\n", e.what());
    return 1;
  }
  std::printf("danvore-cli run: program folder %s, Ctrl+C stops\n", ProgramDir().c_str());
  std::fflush(stdout);
  TConsoleLog console(stdout);
  while (!platform::WaitForStopSignal(kTickMs))
    console.Pump();
  bridge.Stop();
  console.Pump();
  platform::StopSignalHandled();
  return 0;
}

}  // namespace danvore::cli
