#include "cli/console_log.h"

#include <chrono>
#include <vector>

#include "core/logger.h"

namespace danvore::cli {

TConsoleLog::TConsoleLog(std::FILE* Stream) : FStream(Stream) {
  GMainFormLog.Lock();
  FPrinted = GMainFormLog.Added() - static_cast<std::uint64_t>(GMainFormLog.Count());
  GMainFormLog.UnLock();
}

void TConsoleLog::Pump() {
  std::vector<std::string> lines;
  if (!GMainFormLog.TryLock()) return;
  const bool changed = GMainFormLog.Flush(&lines);
  const std::uint64_t added = GMainFormLog.Added();
  GMainFormLog.UnLock();
  if (!changed || added <= FPrinted) return;
  const std::uint64_t fresh = added - FPrinted;
  if (fresh > lines.size())
    std::fprintf(FStream, "... %llu lines not shown here, see the log folder\n",
                 static_cast<unsigned long long>(fresh - lines.size()));
  const std::size_t first = fresh > lines.size() ? 0 : lines.size() - fresh;
  for (std::size_t i = first; i < lines.size(); ++i)
    std::fprintf(FStream, "%s\n", lines[i].c_str());
  std::fflush(FStream);
  FPrinted = added;
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
