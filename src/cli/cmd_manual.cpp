// danvore-cli x-report | z-report | void | close-receipt | check-conn: one
// manual operation of the main window from a shell. The worker is created
// as the bridge creates it, but its thread is not started: the operation
// runs on this thread with the link lock, as a button of the window does.
#include <cstdio>
#include <exception>
#include <string>

#include "cli/commands.h"
#include "cli/console_log.h"
#include "core/format.h"
#include "core/program_dir.h"
#include "manager/bridge.h"
#include "manager/headless_prompt.h"
#include "platform/instance_lock.h"

namespace danvore::cli {

namespace {

constexpr const char* kManualHelp =
    "Usage: danvore-cli [--home DIR] OPERATION [--yes]\n"
    "\n"
    "Runs one manual operation against the register of Config.Ini:\n"
    "  x-report       print the X report\n"
    "  z-report       print the Z report (end of day)\n"
    "  void           void the open receipt\n"
    "  close-receipt  close the open receipt\n"
    "  check-conn     send the connect command\n"
    "\n"
    "Prints OK, or the reason of the failure, and exits 0 on success, 1\n"
    "otherwise. The worker's messages go to stderr and to the log folder.\n"
    "Refused while \"danvore-cli run\" works the same program folder: two\n"
    "programs must never talk to one register at once.\n"
    "\n"
    "Options:\n"
    "  --yes       answer Yes to \"Print Now?\" of a Z report (default: No)\n"
    "  -h, --help  show this text\n";

TResult Perform(TManager& manager, const std::string& operation) {
  if (operation == "x-report") return manager.PrintReport(umXDailyReport, true);
  if (operation == "z-report") return manager.PrintReport(umZDailyReport, true);
  if (operation == "void") return manager.AllVoid(true);
  if (operation == "close-receipt") return manager.CloseReceipt();
  return manager.Connect(true);
}

}  // namespace

int RunManual(const std::string& operation, const TArgs& args) {
  bool yes = false;
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      std::fputs(kManualHelp, stdout);
      return 0;
    }
    if (arg != "--yes") {
      std::fprintf(stderr, "danvore-cli %s: unknown option %s\n\n%s", operation.c_str(),
                   arg.c_str(), kManualHelp);
      return 2;
    }
    yes = true;
  }
  const platform::TInstanceLock lock = platform::TInstanceLock::ForFolder(ProgramDir());
  if (lock.State() == platform::TLockState::Busy) {
    std::fprintf(stderr,
                 "danvore-cli %s: the bridge is running for %s; stop it first, two programs "
                 "must never talk to one register at once\n",
                 operation.c_str(), ProgramDir().c_str());
    return 1;
  }
  if (!lock.Acquired()) {
    std::fprintf(stderr, "danvore-cli %s: cannot lock the program folder %s: %s\n",
                 operation.c_str(), ProgramDir().c_str(), lock.ErrorText().c_str());
    return 1;
  }
  THeadlessPrompt prompt(yes);
  TBridge bridge;
  int code = 1;
  try {
    bridge.Start(&prompt, false);
    TResult result;
    {
      TConsoleLogThread console(stderr);
      result = Perform(*bridge.Manager(), operation);
    }
    std::printf("%s\n", result.Code == rcSuccess ? "OK" : result.Msg.c_str());
    code = result.Code == rcSuccess ? 0 : 1;
  } catch (const std::exception& e) {
    std::printf("%s\n", Format("%s %s, %s", operation, "Error", e.what()).c_str());
  }
  bridge.Stop();
  return code;
}

}  // namespace danvore::cli
