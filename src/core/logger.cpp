#include "core/logger.h"

#include <chrono>
#include <stdexcept>

#include "core/program_dir.h"
#include "platform/fs.h"
#include "platform/syserror.h"

namespace danvore {

std::unique_ptr<TLogger> GLogger;
TMainFormLog GMainFormLog;

namespace {

constexpr auto kWriterPass = std::chrono::milliseconds(10);
constexpr auto kLockRetry = std::chrono::milliseconds(10);
constexpr std::size_t kWindowLines = 257;
// Lines kept while the day file cannot be written.
constexpr std::size_t kMaxBacklog = 100000;

std::mutex& TapLock() {
  static std::mutex lock;
  return lock;
}

std::shared_ptr<const TLogTap>& Tap() {
  static std::shared_ptr<const TLogTap> tap;
  return tap;
}

// The tap runs outside the lock so that it may log or replace itself.
void NotifyTap(TLogLevel level, const std::string& text) {
  std::shared_ptr<const TLogTap> tap;
  {
    std::lock_guard<std::mutex> lock(TapLock());
    tap = Tap();
  }
  if (tap) (*tap)(level, text);
}

const char* LinePattern(TLogLevel level) {
  switch (level) {
    case llDebug:
      return "[%sDebug] %s\r\n";
    case llInfor:
      return "[%sInfor] %s\r\n";
    case llNotice:
      return "[%sNotice] %s\r\n";
    case llWarning:
      return "[%sWarning] %s\r\n";
    case llError:
      return "[%sError] %s\r\n";
  }
  throw std::invalid_argument(Format("Unknown log level %d", static_cast<int>(level)));
}

// "HH:mm:ss.zzz " with its trailing blank.
std::string LineTime(const platform::TLocalTime& t) {
  return Format("%02d:%02d:%02d.%03d ", t.Hour, t.Minute, t.Second, t.Millisecond);
}

std::string DayFileName(const platform::TLocalTime& t) {
  return Format("%04d%02d%02d.log", t.Year, t.Month, t.Day);
}

bool IsBlank(const std::string& text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) > ' ') return false;
  return true;
}

std::string CrLfToTab(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += '\t';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// "MM-dd HH:mm:ss" of the window line.
std::string WindowTime(const platform::TLocalTime& t) {
  return Format("%02d-%02d %02d:%02d:%02d", t.Month, t.Day, t.Hour, t.Minute, t.Second);
}

class TWindowLogGuard {
 public:
  explicit TWindowLogGuard(TMainFormLog& log) : log_(log) { log_.Lock(); }
  ~TWindowLogGuard() { log_.UnLock(); }
  TWindowLogGuard(const TWindowLogGuard&) = delete;
  TWindowLogGuard& operator=(const TWindowLogGuard&) = delete;

 private:
  TMainFormLog& log_;
};

}  // namespace

TLogger::TLogger(const std::string& ALogDir, TClock Clock)
    : FClock(Clock ? std::move(Clock) : TClock(platform::LocalNow)) {
  FLogDir = IsBlank(ALogDir) ? DefaultLogDir() : platform::IncludeTrailingPathDelimiter(ALogDir);
  if (!platform::ForceDirectories(FLogDir))
    throw std::runtime_error("Log Path is Error, " + platform::LastSystemErrorText());
  FDebugFile = DebugFilePath();
  FThread = std::thread(&TLogger::Execute, this);
}

TLogger::~TLogger() {
  if (FThread.joinable()) {
    Terminate();
    FThread.join();
  }
}

void TLogger::WriteLog(const std::string& Log, TLogLevel LogLevel) {
  NotifyTap(LogLevel, Log);
  try {
    std::string line = Format(LinePattern(LogLevel), LineTime(FClock()), Log);
    {
      std::lock_guard<std::mutex> lock(FLocker);
      FQueue.push_back(std::move(line));
    }
    FWake.notify_one();
  } catch (const std::exception& error) {
    platform::AppendToFile(FDebugFile, std::string(error.what()) + "\r\n");
  }
}

void TLogger::Terminate() {
  {
    std::lock_guard<std::mutex> lock(FLocker);
    FTerminated = true;
  }
  FWake.notify_all();
}

void TLogger::WaitFor() {
  if (FThread.joinable()) FThread.join();
}

void TLogger::Execute() {
  for (;;) {
    const bool drained = Drain();
    std::unique_lock<std::mutex> lock(FLocker);
    // An idle writer sleeps until a line arrives instead of polling, so an
    // idle bridge costs no processor time; after a failed write it tries
    // again one pass later.
    if (drained)
      FWake.wait(lock, [this] { return FTerminated || !FQueue.empty(); });
    else
      FWake.wait_for(lock, kWriterPass, [this] { return FTerminated; });
    if (FTerminated) break;
  }
  // Everything queued before the terminate request still reaches the file,
  // unless the file cannot be written: then the stop does not wait for one
  // failing pass per line, and the debug file says how many were lost.
  if (!Drain()) DropQueue("not written at stop");
}

bool TLogger::Drain() {
  std::deque<std::string> batch;
  {
    std::lock_guard<std::mutex> lock(FLocker);
    batch.swap(FQueue);
  }
  if (batch.empty()) return true;
  // The date of the write, not of the call, names the file.
  const std::string dayFile = FLogDir + DayFileName(FClock());
  while (!batch.empty()) {
    if (!platform::AppendToFile(dayFile, batch.front())) {
      WriteDebug(Format("Unable to write to %s: %s", dayFile, platform::LastSystemErrorText()));
      batch.pop_front();
      Requeue(std::move(batch));
      return false;
    }
    batch.pop_front();
  }
  return true;
}

void TLogger::Requeue(std::deque<std::string> batch) {
  // The failed line is dropped; the rest waits for the next pass ahead of
  // anything queued meanwhile. While the file stays unwritable the backlog is
  // capped, oldest lines first, so memory stays bounded.
  std::size_t dropped = 0;
  {
    std::lock_guard<std::mutex> lock(FLocker);
    FQueue.insert(FQueue.begin(), std::make_move_iterator(batch.begin()),
                  std::make_move_iterator(batch.end()));
    while (FQueue.size() > kMaxBacklog) {
      FQueue.pop_front();
      ++dropped;
    }
  }
  if (dropped > 0) WriteDebug(Format("%u log lines dropped: backlog full", unsigned(dropped)));
}

void TLogger::DropQueue(const char* why) {
  std::size_t dropped = 0;
  {
    std::lock_guard<std::mutex> lock(FLocker);
    dropped = FQueue.size();
    FQueue.clear();
  }
  if (dropped > 0) WriteDebug(Format("%u log lines %s", unsigned(dropped), why));
}

void TLogger::WriteDebug(const std::string& message) {
  // When even the debug file cannot be written there is nowhere left to
  // report to: the message is dropped and the writer goes on.
  platform::AppendToFile(FDebugFile, Format("[%s]%s\r\n", LineTime(FClock()), message));
}

void WriteLog(const std::string& Log, TLogLevel LogLevel) {
  if (GLogger) {
    GLogger->WriteLog(Log, LogLevel);
  } else {
    NotifyTap(LogLevel, Log);
  }
}

void SetLogTap(TLogTap tap) {
  std::shared_ptr<const TLogTap> replacement;
  if (tap) replacement = std::make_shared<const TLogTap>(std::move(tap));
  std::lock_guard<std::mutex> lock(TapLock());
  Tap() = std::move(replacement);
}

void TMainFormLog::Add(const std::string& AText) {
  if (FStrs.size() >= kWindowLines) FStrs.clear();
  FChanged = true;
  FStrs.push_back(AText);
  ++FAdded;
}

bool TMainFormLog::Flush(std::vector<std::string>* Strs) {
  if (Strs == nullptr || !FChanged) return false;
  *Strs = FStrs;
  FChanged = false;
  return true;
}

void TMainFormLog::Lock() {
  while (!TryLock())
    std::this_thread::sleep_for(kLockRetry);
}

bool TMainFormLog::TryLock() {
  int expected = 0;
  return FLocker.compare_exchange_strong(expected, 1);
}

void TMainFormLog::UnLock() {
  // Only the holder calls this, so the flag is 1; an unbalanced call finds it
  // free and must not wait for (and then steal) somebody else's hold.
  int expected = 1;
  FLocker.compare_exchange_strong(expected, 0);
}

int TMainFormLog::Count() const {
  return static_cast<int>(FStrs.size());
}

std::string TMainFormLog::LogText() const {
  std::string text;
  for (const std::string& line : FStrs)
    text += line + "\r\n";
  return text;
}

void AddLog(TLogLevel LogLevel, const std::string& Text, bool ShowInWindow) {
  const std::string text = CrLfToTab(Text);
  WriteLog(text, LogLevel);
  if (!ShowInWindow) return;
  TWindowLogGuard guard(GMainFormLog);
  GMainFormLog.Add(Format("[%s]%s", WindowTime(platform::LocalNow()), text));
}

}  // namespace danvore
