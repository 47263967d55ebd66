// The console copy of the window log: every line once, and a count of the
// lines the window log emptied before they could be copied.
#include "cli/console_log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/logger.h"

namespace danvore::cli {
namespace {

struct TFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

class ConsoleLogTest : public ::testing::Test {
 protected:
  void Add(int count, const std::string& stem) {
    GMainFormLog.Lock();
    for (int i = 0; i < count; ++i)
      GMainFormLog.Add(stem + std::to_string(i));
    GMainFormLog.UnLock();
  }
  // What the console got since the last call.
  std::string Printed() {
    std::fflush(FFile.get());
    std::string all;
    std::rewind(FFile.get());
    char chunk[4096];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, FFile.get())) > 0)
      all.append(chunk, n);
    std::string fresh = all.substr(FSeen);
    FSeen = all.size();
    std::fseek(FFile.get(), 0, SEEK_END);
    return fresh;
  }
  static std::string Lines(const std::string& stem, int from, int to) {
    std::string text;
    for (int i = from; i < to; ++i)
      text += stem + std::to_string(i) + "\n";
    return text;
  }

  std::unique_ptr<std::FILE, TFileCloser> FFile{std::tmpfile()};
  std::size_t FSeen = 0;
};

TEST_F(ConsoleLogTest, WritesTheHeldLinesThenOnlyNewOnes) {
  Add(3, "held ");
  TConsoleLog console(FFile.get());
  console.Pump();
  EXPECT_TRUE(Printed().ends_with(Lines("held ", 0, 3)));
  console.Pump();
  EXPECT_EQ(Printed(), "");
  Add(2, "new ");
  console.Pump();
  EXPECT_EQ(Printed(), Lines("new ", 0, 2));
}

TEST_F(ConsoleLogTest, LinesEmptiedBeforeTheCopyAreCounted) {
  TConsoleLog console(FFile.get());
  Add(1, "before ");
  console.Pump();
  Printed();
  // More than the window log keeps: it starts afresh at its 258th line.
  constexpr int kAdded = 300;
  Add(kAdded, "burst ");
  GMainFormLog.Lock();
  const int kept = GMainFormLog.Count();
  GMainFormLog.UnLock();
  ASSERT_LT(kept, kAdded);
  console.Pump();
  EXPECT_EQ(Printed(), "... " + std::to_string(kAdded - kept) +
                           " lines not shown here, see the log folder\n" +
                           Lines("burst ", kAdded - kept, kAdded));
}

}  // namespace
}  // namespace danvore::cli
