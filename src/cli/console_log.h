// Copies the lines of the window log to a console stream, so that a program
// without a window still shows what the worker reports.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>

namespace danvore::cli {

class TConsoleLog {
 public:
  // The lines the window log holds now are the first to be written.
  explicit TConsoleLog(std::FILE* Stream);
  // Writes the lines added since the last call; never blocks on the log.
  // Lines the window log emptied before they could be copied are counted
  // in one notice (the log folder has them all).
  void Pump();

 private:
  std::FILE* FStream;
  std::uint64_t FPrinted = 0;
};

// Pumps a TConsoleLog every 200 ms on its own thread while it lives.
class TConsoleLogThread {
 public:
  explicit TConsoleLogThread(std::FILE* Stream);
  ~TConsoleLogThread();
  TConsoleLogThread(const TConsoleLogThread&) = delete;
  TConsoleLogThread& operator=(const TConsoleLogThread&) = delete;

 private:
  TConsoleLog FLog;
  std::atomic<bool> FStop{false};
  std::thread FThread;
};

}  // namespace danvore::cli
