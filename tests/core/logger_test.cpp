#include "core/logger.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <regex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "core/program_dir.h"
#include "platform/fs.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"

namespace danvore {
namespace {

using danvore::test::ReadText;
using danvore::test::TTempDir;
using danvore::test::WaitUntil;
using platform::TLocalTime;

const std::string kSep(1, platform::PathSeparator());

TLocalTime MakeTime(int year, int month, int day, int hour, int minute, int second, int ms) {
  return TLocalTime{year, month, day, hour, minute, second, ms};
}

// Hands out the scripted times in turn and then keeps repeating the last one.
class TScriptedClock {
 public:
  explicit TScriptedClock(std::vector<TLocalTime> times) : times_(std::move(times)) {}
  TLocalTime operator()() {
    std::lock_guard<std::mutex> lock(mutex_);
    const TLocalTime now = times_[next_];
    if (next_ + 1 < times_.size()) ++next_;
    return now;
  }

 private:
  std::mutex mutex_;
  std::vector<TLocalTime> times_;
  std::size_t next_ = 0;
};

class LoggerTest : public ::testing::Test {
 protected:
  void SetUp() override { SetProgramDir(dir_.Dir()); }
  void TearDown() override { SetProgramDir(""); }

  std::unique_ptr<TLogger> MakeLogger(std::vector<TLocalTime> times) {
    auto clock = std::make_shared<TScriptedClock>(std::move(times));
    return std::make_unique<TLogger>("", [clock] { return (*clock)(); });
  }
  std::string DayFile(const std::string& name) const { return dir_ / ("log" + kSep + name); }
  static void Stop(TLogger& logger) {
    logger.Terminate();
    logger.WaitFor();
  }

  TTempDir dir_;
};

TEST_F(LoggerTest, LinesCarryTimeLevelWordAndTextVerbatim) {
  const struct {
    TLogLevel Level;
    std::string Text;
    std::string Line;
  } cases[] = {
      {llDebug, "debug text", "[14:03:07.052 Debug] debug text\r\n"},
      {llInfor, "APP Started, Connect Text(COM1:9600)",
       "[14:03:07.052 Infor] APP Started, Connect Text(COM1:9600)\r\n"},
      {llNotice, "notice", "[14:03:07.052 Notice] notice\r\n"},
      {llWarning, "100% %s %d", "[14:03:07.052 Warning] 100% %s %d\r\n"},
      {llError, "two\r\nlines", "[14:03:07.052 Error] two\r\nlines\r\n"},
      {llInfor, "Αποδείξεις", "[14:03:07.052 Infor] Αποδείξεις\r\n"},
  };
  auto logger = MakeLogger({MakeTime(2024, 3, 5, 14, 3, 7, 52)});
  std::string expected;
  for (const auto& c : cases) {
    logger->WriteLog(c.Text, c.Level);
    expected += c.Line;
  }
  Stop(*logger);
  EXPECT_EQ(ReadText(DayFile("20240305.log")), expected);
}

TEST_F(LoggerTest, FormattedWriteLogFillsThePatternFirst) {
  auto logger = MakeLogger({MakeTime(2024, 3, 5, 9, 5, 1, 7)});
  logger->WriteLogFmt(llInfor, "%s %s, %s, Retry:%d", std::string("Send Data"), "Error", "busy", 2);
  Stop(*logger);
  EXPECT_EQ(ReadText(DayFile("20240305.log")),
            "[09:05:01.007 Infor] Send Data Error, busy, Retry:2\r\n");
}

TEST_F(LoggerTest, DayFileIsNamedByTheDateOfTheWrite) {
  // The call happens before midnight, the write after it.
  auto logger =
      MakeLogger({MakeTime(2024, 12, 31, 23, 59, 59, 990), MakeTime(2025, 1, 1, 0, 0, 0, 5)});
  logger->WriteLog("late", llInfor);
  Stop(*logger);
  EXPECT_EQ(ReadText(DayFile("20250101.log")), "[23:59:59.990 Infor] late\r\n");
  EXPECT_FALSE(platform::FileExists(DayFile("20241231.log")));
}

TEST_F(LoggerTest, LinesQueuedJustBeforeTerminateAreWritten) {
  auto logger = MakeLogger({MakeTime(2024, 3, 5, 12, 0, 0, 0)});
  constexpr int kLines = 2000;
  for (int i = 0; i < kLines; ++i)
    logger->WriteLog("line " + std::to_string(i), llDebug);
  logger->WriteLog("APP Terminated", llInfor);
  Stop(*logger);
  const std::string text = ReadText(DayFile("20240305.log"));
  std::size_t lines = 0;
  for (std::size_t pos = text.find("\r\n"); pos != std::string::npos;
       pos = text.find("\r\n", pos + 2))
    ++lines;
  EXPECT_EQ(lines, static_cast<std::size_t>(kLines) + 1);
  EXPECT_TRUE(text.ends_with("[12:00:00.000 Infor] APP Terminated\r\n"));
}

TEST_F(LoggerTest, ConcurrentWritersLoseNothingAndKeepTheirOrder) {
  auto logger = MakeLogger({MakeTime(2024, 3, 5, 12, 0, 0, 0)});
  constexpr int kThreads = 4;
  constexpr int kPerThread = 500;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&logger, t] {
      for (int i = 0; i < kPerThread; ++i)
        logger->WriteLog(Format("t%d-%d.", t, i), llInfor);
    });
  }
  for (auto& thread : threads)
    thread.join();
  Stop(*logger);
  const std::string text = ReadText(DayFile("20240305.log"));
  std::size_t total = 0;
  for (int t = 0; t < kThreads; ++t) {
    std::size_t last = 0;
    for (int i = 0; i < kPerThread; ++i) {
      const std::string line = Format("[12:00:00.000 Infor] t%d-%d.\r\n", t, i);
      const std::size_t pos = text.find(line);
      ASSERT_NE(pos, std::string::npos) << line;
      EXPECT_GE(pos, last) << line;
      last = pos;
      total += line.size();
    }
  }
  // Every line once and nothing else.
  EXPECT_EQ(text.size(), total);
}

TEST_F(LoggerTest, UnwritableDayFileGoesToTheDebugFileAndTheWriterGoesOn) {
  auto logger = MakeLogger({MakeTime(2024, 3, 5, 8, 15, 30, 250)});
  ASSERT_TRUE(platform::ForceDirectories(DayFile("20240305.log")));
  logger->WriteLog("lost", llInfor);
  const std::string debugFile = DebugFilePath();
  EXPECT_EQ(debugFile, dir_ / "test_core.debug");
  ASSERT_TRUE(WaitUntil([&] { return ReadText(debugFile).ends_with("\r\n"); }));
  const std::string debug = ReadText(debugFile);
  EXPECT_TRUE(debug.starts_with("[08:15:30.250 ]Unable to write to " + DayFile("20240305.log")))
      << debug;
  EXPECT_TRUE(debug.ends_with("\r\n"));

  std::filesystem::remove(DayFile("20240305.log"));
  logger->WriteLog("later", llInfor);
  ASSERT_TRUE(WaitUntil([&] { return platform::FileExists(DayFile("20240305.log")); }));
  Stop(*logger);
  EXPECT_EQ(ReadText(DayFile("20240305.log")), "[08:15:30.250 Infor] later\r\n");
}

TEST_F(LoggerTest, FailedLineIsDroppedButTheLinesBehindItAreKept) {
  // While the clock says March 5th a folder blocks the day file; each failing
  // pass may drop one line only. Once the day changes, the rest is written.
  auto nextDay = std::make_shared<std::atomic<bool>>(false);
  TLogger logger("", [nextDay] { return MakeTime(2024, 3, *nextDay ? 6 : 5, 8, 0, 0, 0); });
  ASSERT_TRUE(platform::ForceDirectories(DayFile("20240305.log")));
  const std::vector<std::string> texts = {"first", "second", "third", "fourth"};
  for (const std::string& text : texts)
    logger.WriteLog(text, llInfor);
  ASSERT_TRUE(WaitUntil([&] { return ReadText(DebugFilePath()).ends_with("\r\n"); }));
  *nextDay = true;
  Stop(logger);

  const std::string debug = ReadText(DebugFilePath());
  std::size_t dropped = 0;
  for (std::size_t pos = debug.find("]Unable to write to "); pos != std::string::npos;
       pos = debug.find("]Unable to write to ", pos + 1))
    ++dropped;
  ASSERT_GE(dropped, 1u);
  ASSERT_LE(dropped, texts.size());
  std::string expected;
  for (std::size_t i = dropped; i < texts.size(); ++i)
    expected += "[08:00:00.000 Infor] " + texts[i] + "\r\n";
  EXPECT_EQ(ReadText(DayFile("20240306.log")), expected) << debug;
}

TEST_F(LoggerTest, WriterGoesOnWhenTheDebugFileCannotBeWrittenEither) {
  // The writer asks the clock once for the day file and once for the debug
  // line of its failure; only then does the day change.
  const std::thread::id caller = std::this_thread::get_id();
  auto writerCalls = std::make_shared<std::atomic<int>>(0);
  auto nextDay = std::make_shared<std::atomic<bool>>(false);
  TLogger logger("", [=] {
    if (std::this_thread::get_id() != caller) ++*writerCalls;
    return MakeTime(2024, 3, *nextDay ? 6 : 5, 8, 0, 0, 0);
  });
  ASSERT_TRUE(platform::ForceDirectories(DayFile("20240305.log")));
  ASSERT_TRUE(platform::ForceDirectories(DebugFilePath()));
  logger.WriteLog("nowhere to go", llInfor);
  ASSERT_TRUE(WaitUntil([&] { return *writerCalls >= 2; }));
  *nextDay = true;
  logger.WriteLog("next day", llInfor);
  EXPECT_TRUE(WaitUntil(
      [&] { return ReadText(DayFile("20240306.log")).find("next day") != std::string::npos; }));
  Stop(logger);
}

TEST_F(LoggerTest, UnknownLevelGoesToTheDebugFileWithoutATimeStamp) {
  auto logger = MakeLogger({MakeTime(2024, 3, 5, 8, 0, 0, 0)});
  logger->WriteLog("odd", static_cast<TLogLevel>(9));
  logger->WriteLog("fine", llInfor);
  Stop(*logger);
  EXPECT_EQ(ReadText(DebugFilePath()), "Unknown log level 9\r\n");
  EXPECT_EQ(ReadText(DayFile("20240305.log")), "[08:00:00.000 Infor] fine\r\n");
}

// Lines the debug file accounts for: one "Unable to write" per failing pass
// plus the counts of the lines dropped in bulk.
std::size_t LinesAccountedFor(const std::string& debug) {
  static const std::regex bulk(
      R"(\](\d+) log lines (dropped: backlog full|not written at stop)\r\n)");
  std::size_t total = 0;
  for (auto it = std::sregex_iterator(debug.begin(), debug.end(), bulk);
       it != std::sregex_iterator(); ++it)
    total += std::stoul((*it)[1].str());
  for (std::size_t pos = debug.find("]Unable to write to "); pos != std::string::npos;
       pos = debug.find("]Unable to write to ", pos + 1))
    ++total;
  return total;
}

TEST_F(LoggerTest, UnwritableDayFileBoundsTheBacklogAndDoesNotHoldUpTheStop) {
  // More lines than the backlog keeps, with no way to write any of them: the
  // oldest are dropped while running, the rest at the stop, each one counted.
  auto logger = MakeLogger({MakeTime(2024, 3, 5, 8, 0, 0, 0)});
  ASSERT_TRUE(platform::ForceDirectories(DayFile("20240305.log")));
  constexpr std::size_t kTotal = 150000;
  for (std::size_t i = 0; i < kTotal; ++i)
    logger->WriteLog("line", llInfor);
  ASSERT_TRUE(WaitUntil([&] {
    return ReadText(DebugFilePath()).find("log lines dropped: backlog full") != std::string::npos;
  }));
  Stop(*logger);
  const std::string debug = ReadText(DebugFilePath());
  EXPECT_NE(debug.find(" log lines not written at stop\r\n"), std::string::npos);
  EXPECT_EQ(LinesAccountedFor(debug), kTotal);
}

TEST_F(LoggerTest, LogFolderIsChosenAndCreated) {
  const struct {
    std::string Arg;
    std::string Dir;
  } cases[] = {
      {"", dir_ / ("log" + kSep)},
      {" \t ", dir_ / ("log" + kSep)},
      {dir_ / ("custom" + kSep + "deep"), dir_ / ("custom" + kSep + "deep" + kSep)},
      {dir_ / ("other" + kSep), dir_ / ("other" + kSep)},
  };
  for (const auto& c : cases) {
    TLogger logger(c.Arg);
    EXPECT_EQ(logger.LogDir(), c.Dir) << c.Arg;
    EXPECT_TRUE(platform::DirectoryExists(c.Dir)) << c.Arg;
  }
}

TEST_F(LoggerTest, UncreatableFolderRaisesLogPathIsError) {
  ASSERT_TRUE(platform::AppendToFile(dir_ / "file", "x"));
  const std::string prefix = "Log Path is Error, ";
  try {
    TLogger logger(dir_ / ("file" + kSep + "log"));
    FAIL() << "no error raised";
  } catch (const std::runtime_error& error) {
    const std::string message = error.what();
    EXPECT_TRUE(message.starts_with(prefix)) << message;
    EXPECT_GT(message.size(), prefix.size()) << message;
  }
}

TEST_F(LoggerTest, DestroyingARunningLoggerStopsItAndKeepsTheLines) {
  {
    auto logger = MakeLogger({MakeTime(2024, 3, 5, 12, 0, 0, 0)});
    logger->WriteLog("bye", llNotice);
  }
  EXPECT_EQ(ReadText(DayFile("20240305.log")), "[12:00:00.000 Notice] bye\r\n");
}

class LogTapTest : public LoggerTest {
 protected:
  void SetUp() override {
    LoggerTest::SetUp();
    SetLogTap([this](TLogLevel level, const std::string& text) {
      std::lock_guard<std::mutex> lock(mutex_);
      seen_.emplace_back(level, text);
    });
  }
  void TearDown() override {
    SetLogTap(nullptr);
    GLogger.reset();
    LoggerTest::TearDown();
  }
  std::vector<std::pair<TLogLevel, std::string>> Seen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
  }

  std::mutex mutex_;
  std::vector<std::pair<TLogLevel, std::string>> seen_;
};

TEST_F(LogTapTest, SeesEveryLineOnceWithOrWithoutGLogger) {
  WriteLog("before start", llDebug);
  GLogger = MakeLogger({MakeTime(2024, 3, 5, 12, 0, 0, 0)});
  WriteLog("through GLogger", llError);
  GLogger->WriteLog("straight", llNotice);
  GLogger->Terminate();
  GLogger->WaitFor();
  const std::vector<std::pair<TLogLevel, std::string>> expected = {
      {llDebug, "before start"}, {llError, "through GLogger"}, {llNotice, "straight"}};
  EXPECT_EQ(Seen(), expected);
  EXPECT_EQ(ReadText(DayFile("20240305.log")),
            "[12:00:00.000 Error] through GLogger\r\n[12:00:00.000 Notice] straight\r\n");
}

TEST_F(LogTapTest, SeesLinesFromSeveralThreads) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 250;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([] {
      for (int i = 0; i < kPerThread; ++i)
        WriteLog("x", llInfor);
    });
  }
  for (auto& thread : threads)
    thread.join();
  EXPECT_EQ(Seen().size(), static_cast<std::size_t>(kThreads * kPerThread));
}

}  // namespace
}  // namespace danvore
