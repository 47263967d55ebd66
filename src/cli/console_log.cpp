#include "cli/console_log.h"

#include <chrono>
#include <vector>

#include "core/logger.h"

namespace danvore::cli {

void TConsoleLog::Pump() {
  std::vector<std::string> lines;
  if (!GMainFormLog.TryLock()) return;
  const bool changed = GMainFormLog.Flush(&lines);
  GMainFormLog.UnLock();
  if (!changed || lines.empty()) return;
  // The window log starts afresh when it is full: then every line is new.
  if (lines.front() != FFirst || lines.size() < FPrinted) {
    FFirst = lines.front();
    FPrinted = 0;
  }
  for (std::size_t i = FPrinted; i < lines.size(); ++i)
    std::fprintf(FStream, "%s\n", lines[i].c_str());
  std::fflush(FStream);
  FPrinted = lines.size();
}

TConsoleLogThread::TConsoleLogThread(std::FILE* Stream) : FLog(Stream) {
  FThread = std::thread([this] {
    while (!FStop) {
      FLog.Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    FLog.Pump();
  });
}

TConsoleLogThread::~TConsoleLogThread() {
  FStop = true;
  FThread.join();
}

}  // namespace danvore::cli
