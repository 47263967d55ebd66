// The daily file log (TLogger, a writer thread), the window log buffer
// (TMainFormLog) and the worker's reporting step (AddLog).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/format.h"

namespace danvore {

enum TLogLevel : std::uint8_t { llDebug = 0, llInfor, llNotice, llWarning, llError };

class TLogger {
 public:
  // Empty or blank ALogDir: the "log" folder of the program folder. Creates
  // the folder with its parents; throws std::runtime_error with
  // "Log Path is Error, " + the system's text when that fails.
  explicit TLogger(const std::string& ALogDir);
  ~TLogger();
  TLogger(const TLogger&) = delete;
  TLogger& operator=(const TLogger&) = delete;

  // Formats one line and queues it; never touches the disk.
  void WriteLog(const std::string& Log, TLogLevel LogLevel);
  template <typename... Args>
  void WriteLogFmt(TLogLevel LogLevel, const char* pattern, const Args&... args) {
    WriteLog(Format(pattern, args...), LogLevel);
  }

  // Terminate request: the writer drains what is queued, then ends.
  void Terminate();
  // Waits until the writer thread has ended.
  void WaitFor();

  const std::string& LogDir() const { return FLogDir; }

 private:
  void Execute();
  void Drain();

  std::string FLogDir;
  std::string FDebugFile;
  std::mutex FLocker;
  std::deque<std::string> FQueue;
  std::condition_variable FWake;
  std::atomic<bool> FTerminated{false};
  std::thread FThread;
};

// The process-wide logger; null before start-up creates it.
extern std::unique_ptr<TLogger> GLogger;

// Queues a line on GLogger when it exists.
void WriteLog(const std::string& Log, TLogLevel LogLevel);

// Test hook: sees every line passed to WriteLog (level, text), in call order.
using TLogTap = std::function<void(TLogLevel, const std::string&)>;
void SetLogTap(TLogTap tap);

class TMainFormLog {
 public:
  void Add(const std::string& AText);
  bool Flush(std::vector<std::string>* Strs);
  void Lock();
  bool TryLock();
  void UnLock();
  int Count() const;
  std::string LogText() const;

 private:
  std::atomic<int> FLocker{0};
  std::vector<std::string> FStrs;
  bool FChanged = false;
};

extern TMainFormLog GMainFormLog;

// The worker's reporting step: CR LF becomes TAB, the line goes to the file
// log and, when ShowInWindow, to the window log as "[MM-dd HH:mm:ss]text".
void AddLog(TLogLevel LogLevel, const std::string& Text, bool ShowInWindow);

}  // namespace danvore
