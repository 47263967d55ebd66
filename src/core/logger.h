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
#include "platform/clock.h"

namespace danvore {

enum TLogLevel : std::uint8_t { llDebug = 0, llInfor, llNotice, llWarning, llError };

class TLogger {
 public:
  // Source of the local time of the lines and of the day file's name; called
  // from the logging threads and from the writer.
  using TClock = std::function<platform::TLocalTime()>;

  // Empty or blank ALogDir: the "log" folder of the program folder. Creates
  // the folder with its parents; throws std::runtime_error with
  // "Log Path is Error, " + the system's text when that fails. Without a
  // clock the local time of the system is used.
  explicit TLogger(const std::string& ALogDir, TClock Clock = {});
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
  // Waits until the writer thread has ended (after Terminate).
  void WaitFor();

  const std::string& LogDir() const { return FLogDir; }

 private:
  void Execute();
  // Writes the queued lines; false when one of them could not be written.
  bool Drain();
  void Requeue(std::deque<std::string> batch);
  void DropQueue(const char* why);
  void WriteDebug(const std::string& message);

  std::string FLogDir;
  std::string FDebugFile;
  TClock FClock;
  std::mutex FLocker;  // guards FQueue and the terminate request
  std::deque<std::string> FQueue;
  std::condition_variable FWake;
  bool FTerminated = false;
  std::thread FThread;
};

// The process-wide logger; null before start-up creates it.
extern std::unique_ptr<TLogger> GLogger;

// Queues a line on GLogger when it exists.
void WriteLog(const std::string& Log, TLogLevel LogLevel);

// Test hook: sees every line passed to WriteLog (level, text), in call order,
// whether or not GLogger exists. Callable from any thread; an empty tap
// removes it.
using TLogTap = std::function<void(TLogLevel, const std::string&)>;
void SetLogTap(TLogTap tap);

// The window's recent lines. Add, Flush, Count and LogText are called only
// while holding the flag (Lock or a successful TryLock).
class TMainFormLog {
 public:
  // Appends a line; a buffer of 257 lines is emptied first.
  void Add(const std::string& AText);
  // Copies the lines into Strs when some were added since the last copy.
  bool Flush(std::vector<std::string>* Strs);
  // Takes the flag, sleeping 10 ms between attempts; no time-out.
  void Lock();
  bool TryLock();
  void UnLock();
  int Count() const;
  // Lines added since start-up, the emptied ones included, so that a reader
  // can tell how many it missed.
  std::uint64_t Added() const { return FAdded; }
  // Every line followed by CR LF.
  std::string LogText() const;

 private:
  std::atomic<int> FLocker{0};
  std::vector<std::string> FStrs;
  bool FChanged = false;
  std::uint64_t FAdded = 0;
};

extern TMainFormLog GMainFormLog;

// The worker's reporting step: CR LF becomes TAB, the line goes to the file
// log and, when ShowInWindow, to the window log as "[MM-dd HH:mm:ss]text".
void AddLog(TLogLevel LogLevel, const std::string& Text, bool ShowInWindow);

}  // namespace danvore
