// Copies the lines of the window log to a console stream, so that a program
// without a window still shows what the worker reports.
#pragma once

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

namespace danvore::cli {

class TConsoleLog {
 public:
  explicit TConsoleLog(std::FILE* Stream) : FStream(Stream) {}
  // Writes the lines added since the last call; never blocks on the log.
  void Pump();

 private:
  std::FILE* FStream;
  std::string FFirst;
  std::size_t FPrinted = 0;
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
