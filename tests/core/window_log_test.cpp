#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <thread>
#include <vector>

#include "core/logger.h"
#include "core/program_dir.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"

namespace danvore {
namespace {

using danvore::test::ReadText;
using danvore::test::TTempDir;
using danvore::test::WaitUntil;

TEST(MainFormLogTest, The258thLineStartsAFreshBuffer) {
  TMainFormLog log;
  for (int i = 1; i <= 257; ++i)
    log.Add("line " + std::to_string(i));
  EXPECT_EQ(log.Count(), 257);
  log.Add("line 258");
  EXPECT_EQ(log.Count(), 1);
  EXPECT_EQ(log.LogText(), "line 258\r\n");
  std::vector<std::string> pane = {"old"};
  ASSERT_TRUE(log.Flush(&pane));
  EXPECT_EQ(pane, std::vector<std::string>{"line 258"});
}

TEST(MainFormLogTest, FlushCopiesOnlyAfterChanges) {
  TMainFormLog log;
  std::vector<std::string> pane = {"untouched"};
  EXPECT_FALSE(log.Flush(&pane));  // nothing added yet
  EXPECT_EQ(pane, std::vector<std::string>{"untouched"});

  log.Add("a");
  log.Add("b");
  EXPECT_FALSE(log.Flush(nullptr));  // no target: the change stays pending
  ASSERT_TRUE(log.Flush(&pane));
  EXPECT_EQ(pane, (std::vector<std::string>{"a", "b"}));

  pane = {"edited"};
  EXPECT_FALSE(log.Flush(&pane));
  EXPECT_EQ(pane, std::vector<std::string>{"edited"});
  EXPECT_EQ(log.Count(), 2);  // flushing does not empty the buffer
  EXPECT_EQ(log.LogText(), "a\r\nb\r\n");
}

TEST(MainFormLogTest, TryLockFailsWhileTheFlagIsHeld) {
  TMainFormLog log;
  ASSERT_TRUE(log.TryLock());
  EXPECT_FALSE(log.TryLock());
  log.UnLock();
  EXPECT_TRUE(log.TryLock());
  log.UnLock();
  log.UnLock();  // unbalanced: returns at once and leaves the flag free
  EXPECT_TRUE(log.TryLock());
  log.UnLock();
}

TEST(MainFormLogTest, LockWaitsForTheHolder) {
  TMainFormLog log;
  log.Lock();
  std::atomic<bool> acquired{false};
  std::thread other([&] {
    log.Lock();
    acquired = true;
    log.UnLock();
  });
  // Gives a broken lock the chance to show itself; a correct one never fails.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(acquired);
  log.UnLock();
  EXPECT_TRUE(WaitUntil([&] { return acquired.load(); }));
  other.join();
}

// "[MM-dd HH:mm:ss]" at the start of a window line.
bool HasWindowStamp(const std::string& line) {
  const std::string shape = "[00-00 00:00:00]";
  if (line.size() < shape.size()) return false;
  for (std::size_t i = 0; i < shape.size(); ++i) {
    const bool digit = std::isdigit(static_cast<unsigned char>(line[i])) != 0;
    if (shape[i] == '0' ? !digit : line[i] != shape[i]) return false;
  }
  const int month = std::stoi(line.substr(1, 2));
  return month >= 1 && month <= 12;
}

class AddLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProgramDir(dir_.Dir());
    GLogger = std::make_unique<TLogger>(
        "", [] { return platform::TLocalTime{2024, 3, 5, 10, 20, 30, 400}; });
    GMainFormLog.Lock();
    GMainFormLog.Flush(&pane_);
    GMainFormLog.UnLock();
  }
  void TearDown() override {
    GLogger.reset();
    SetProgramDir("");
  }
  std::string FileText() {
    GLogger->Terminate();
    GLogger->WaitFor();
    return ReadText(dir_ / "log" + platform::PathSeparator() + "20240305.log");
  }
  bool Flush() {
    GMainFormLog.Lock();
    const bool changed = GMainFormLog.Flush(&pane_);
    GMainFormLog.UnLock();
    return changed;
  }

  TTempDir dir_;
  std::vector<std::string> pane_;
};

TEST_F(AddLogTest, CrLfBecomesTabWhileLoneCrAndLfStay) {
  const struct {
    std::string Text;
    std::string Logged;
  } cases[] = {
      {"one\r\ntwo", "one\ttwo"},
      {"a\rb\nc", "a\rb\nc"},
      {"\r\n\r\n", "\t\t"},
      {"x\n\r\ny\r", "x\n\ty\r"},
  };
  for (const auto& c : cases) {
    AddLog(llWarning, c.Text, true);
    ASSERT_TRUE(Flush());
    const std::string& line = pane_.back();
    EXPECT_TRUE(HasWindowStamp(line)) << line;
    EXPECT_EQ(line.substr(16), c.Logged);
  }
  std::string expected;
  for (const auto& c : cases)
    expected += "[10:20:30.400 Warning] " + c.Logged + "\r\n";
  EXPECT_EQ(FileText(), expected);
}

TEST_F(AddLogTest, WriteLogKeepsCrLfThatAddLogReplaces) {
  WriteLog("first\r\nsecond", llInfor);
  AddLog(llInfor, "first\r\nsecond", false);
  EXPECT_FALSE(Flush());  // not shown in the window
  EXPECT_EQ(FileText(),
            "[10:20:30.400 Infor] first\r\nsecond\r\n[10:20:30.400 Infor] first\tsecond\r\n");
}

TEST_F(AddLogTest, WindowLineHasNoLevelWordAndNoMilliseconds) {
  AddLog(llError, "Z Report Error, busy", true);
  ASSERT_TRUE(Flush());
  ASSERT_EQ(pane_.back().size(), 16 + std::string("Z Report Error, busy").size());
  EXPECT_TRUE(HasWindowStamp(pane_.back()));
  EXPECT_EQ(pane_.back().substr(16), "Z Report Error, busy");
}

}  // namespace
}  // namespace danvore
