// Load: a folder of 10,000 command files, a 50 MB command file, a 1 MB
// line, 100,000 log lines from two threads. Everything is handled whole,
// nothing hangs, and memory stays within a bound proportional to the input.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "core/logger.h"
#include "evidence/evidence_support.h"
#include "platform/fs.h"

namespace danvore {
namespace {

using test::FilesEndingWith;
using test::ReadText;
using test::WaitUntil;

class LoadEvidence : public testing::Test, public test::TWorkerFixture {
 protected:
  TManager& Worker() {
    TManager& manager = MakeManager();
    manager.SetInEncoding(MakeTextEncoding(test::kGreekEncoding));
    manager.SetOutEncoding(MakeTextEncoding(test::kGreekEncoding));
    manager.PassWaitMs = 1;
    manager.NextFileWaitMs = 0;
    return manager;
  }
  // Runs the worker's thread until it has reported `outcomes` answer or
  // error files. The count comes from the log: cheap to poll.
  void Drain(TManager& manager, int outcomes, int timeoutMs) {
    std::atomic<int> written{0};
    SetLogTap([&written](TLogLevel, const std::string& text) {
      if (text.rfind("Handle File[", 0) == 0 && text.find("(Ans:") != std::string::npos) ++written;
    });
    manager.Start();
    EXPECT_TRUE(WaitUntil([&] { return written >= outcomes; }, timeoutMs));
    SetLogTap(nullptr);
    manager.Terminate();
    manager.WaitFor();
  }
};

TEST_F(LoadEvidence, TenThousandFilesAreEachAnsweredOnce) {
  constexpr int kFiles = 10000;
  TManager& manager = Worker();
  // A register that answers at once: the worker's own cost is what counts.
  test::InstallCannedReplies(manager, {{0xE000, {0x00, 0x00}}});
  for (int i = 0; i < kFiles; ++i)
    Drop("f" + std::to_string(i) + ".txt", "QQ\r\n");
  const std::int64_t before = test::PeakRssKiB();
  Drain(manager, kFiles, 600000);
  const std::vector<std::string> answers = FilesEndingWith(AnswerRoot(), ".Ans");
  EXPECT_EQ(answers.size(), static_cast<std::size_t>(kFiles));
  EXPECT_EQ(test::FilesUnder(AnswerRoot()).size(), answers.size()) << "only answers";
  EXPECT_EQ(ReadText(answers.front()), "QQ\r\n");
  EXPECT_LT(test::PeakRssKiB() - before, 32 * 1024 + test::kMemorySlackKiB)
      << "memory grew with the number of files";
}

TEST_F(LoadEvidence, FiftyMegabyteFileIsEchoedWhole) {
  // 500,000 blank lines of 100 bytes between a sale and its payment: the
  // register sees three commands, the answer echoes all 50 MB.
  std::string content = "SL/Item/1/1/1,00\r\n";
  content.reserve(51 * 1024 * 1024);
  const std::string blank = std::string(98, ' ') + "\r\n";
  for (int i = 0; i < 500000; ++i)
    content += blank;
  content += "CR/1/1,00\r\n";
  const std::string path = Drop("big.txt", content);
  TManager& manager = Worker();
  const std::int64_t before = test::PeakRssKiB();
  Drain(manager, 1, 300000);
  const std::vector<std::string> answers = FilesEndingWith(AnswerRoot(), ".Ans");
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(ReadText(answers[0]), content);
  EXPECT_FALSE(platform::FileExists(path));
  // The file, its text, its lines and the answer: a few copies, no more.
  const auto grown = test::PeakRssKiB() - before;
  EXPECT_LT(grown, 8 * static_cast<std::int64_t>(content.size()) / 1024 + test::kMemorySlackKiB);
  RecordProperty("peak_rss_growth_kib", std::to_string(grown));
}

TEST_F(LoadEvidence, OneMegabyteLineIsHandledWhole) {
  const std::string big(1024 * 1024, 'x');
  const std::map<std::string, std::string> files = {
      {"free_text.txt", "CMI/" + big + "\r\n"},
      {"item_name.txt", "SL/" + big + "/1/1/1,00\r\nCR/1/1,00\r\n"},
      {"unknown_code.txt", big + "\r\n"},
  };
  for (const auto& [name, content] : files)
    Drop(name, content);
  TManager& manager = Worker();
  Drain(manager, 3, 120000);
  const std::vector<std::string> answers = FilesEndingWith(AnswerRoot(), ".Ans");
  ASSERT_EQ(answers.size(), 2u);
  for (const std::string& answer : answers) {
    const std::string name = answer.substr(answer.find_last_of('/') + 1);
    const std::string source = name.rfind("free_text", 0) == 0 ? "free_text.txt" : "item_name.txt";
    EXPECT_EQ(ReadText(answer), files.at(source)) << name;
  }
  const std::vector<std::string> errors = FilesEndingWith(AnswerRoot(), ".ERR1");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(ReadText(errors[0]).substr(0, big.size() + 4), big + "\r\n\r\n");
}

TEST(LoadLoggerEvidence, HundredThousandLinesFromTwoThreadsAllArrive) {
  constexpr int kPerThread = 50000;
  test::TTempDir dir;
  const platform::TLocalTime day{2025, 12, 9, 14, 5, 9, 0};
  const std::int64_t before = test::PeakRssKiB();
  {
    TLogger logger(dir.Dir() + "log", [day] { return day; });
    auto writer = [&logger](char who) {
      for (int i = 0; i < kPerThread; ++i)
        logger.WriteLog(std::string(1, who) + std::to_string(i), llInfor);
    };
    std::thread a(writer, 'a');
    std::thread b(writer, 'b');
    a.join();
    b.join();
    logger.Terminate();
    logger.WaitFor();
  }
  std::string text;
  ASSERT_TRUE(platform::ReadWholeFile(dir.Dir() + "log/20251209.log", text));
  std::map<char, int> next = {{'a', 0}, {'b', 0}};
  std::size_t lines = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t end = text.find("\r\n", pos);
    ASSERT_NE(end, std::string::npos) << "a torn last line";
    const std::string line = text.substr(pos, end - pos);
    pos = end + 2;
    ++lines;
    const std::size_t close = line.find("] ");
    ASSERT_EQ(line.rfind("[14:05:09.000 ", 0), 0u) << line;
    ASSERT_NE(close, std::string::npos) << line;
    const std::string body = line.substr(close + 2);
    ASSERT_EQ(body, std::string(1, body[0]) + std::to_string(next[body[0]])) << "out of order";
    ++next[body[0]];
  }
  EXPECT_EQ(lines, 2u * kPerThread);
  EXPECT_EQ(next['a'], kPerThread);
  EXPECT_EQ(next['b'], kPerThread);
  EXPECT_LT(test::PeakRssKiB() - before, 64 * 1024 + test::kMemorySlackKiB);
}

}  // namespace
}  // namespace danvore
