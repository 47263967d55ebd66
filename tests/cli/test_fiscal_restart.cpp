// The bridge is killed right after the register closed a receipt, before
// it could write the answer file; the restarted bridge must not print that
// receipt again.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "cli/test_run_child.h"
#include "ecr-sim/simulator.h"
#include "platform/fs.h"

namespace danvore {
namespace {

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 30000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

std::vector<std::filesystem::path> FilesUnder(const std::filesystem::path& folder,
                                              const std::string& extension) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
    if (it->is_regular_file() && it->path().extension() == extension) files.push_back(it->path());
  return files;
}

class FiscalRestartTest : public testing::Test {
 protected:
  std::filesystem::path home;
  sim::TSimulator simulator;

  void SetUp() override {
    static std::atomic<unsigned> counter{0};
    home = std::filesystem::temp_directory_path() /
           ("danvore_fiscal_" + std::to_string(std::random_device()()) + "_" +
            std::to_string(counter++));
    std::filesystem::create_directories(home / "in");
    const std::uint16_t port = simulator.StartTcp("127.0.0.1", 0);
    const std::string ini =
        "[System]\r\nConnKind=1\r\nHost=127.0.0.1\r\nPort=" + std::to_string(port) +
        "\r\nSourceDataPath=" + (home / "in").string() +
        "\r\nAnswerPath=" + (home / "answer").string() + "\r\nAllVoidBeforeProcessFile=1\r\n";
    platform::WriteFileAtomic((home / "Config.Ini").string(), ini);
  }
  void TearDown() override {
    simulator.Stop();
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
  }
  std::vector<std::string> Args() const { return {"--home", home.string(), "run"}; }
  void Control(const std::string& command) {
    std::string reply;
    ASSERT_TRUE(simulator.Control(command, &reply)) << command << ": " << reply;
  }
  int ClosedReceipts() const { return simulator.DailyTotals().Receipts; }
};

TEST_F(FiscalRestartTest, KilledAfterThePaymentTheRestartedBridgeDoesNotPrintItAgain) {
  const std::string content = "SL/Coffee/1/1/2,50\r\nCR/1/2,50\r\n";
  const std::filesystem::path file = home / "in" / "R.txt";
  {
    test::TCliChild bridge(Args());
    ASSERT_TRUE(bridge.Started());
    ASSERT_TRUE(WaitUntil([&] { return bridge.Out().find("Ctrl+C stops") != std::string::npos; }))
        << bridge.Err();
    // The payment is the second sale command of the file.
    Control("kill-pid " + std::to_string(bridge.Pid()));
    Control("exit-after 10004 2");
    platform::WriteFileAtomic(file.string(), content);
    ASSERT_TRUE(WaitUntil([&] { return ClosedReceipts() == 1; })) << bridge.Out();
    // Killed, it wrote no answer; a bridge still running would have.
    bridge.Wait(20000);
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_TRUE(FilesUnder(home / "answer", ".Ans").empty());
  }

  test::TCliChild restarted(Args());
  ASSERT_TRUE(WaitUntil([&] { return FilesUnder(home / "answer", ".Ans").size() == 1; }))
      << restarted.Out() << restarted.Err();
  EXPECT_TRUE(WaitUntil([&] { return !std::filesystem::exists(file); }));
  restarted.Stop();
  EXPECT_EQ(restarted.Wait(20000), 0) << restarted.Err();

  std::string answer;
  platform::ReadWholeFile(FilesUnder(home / "answer", ".Ans")[0].string(), answer);
  EXPECT_EQ(answer, content);
  EXPECT_EQ(ClosedReceipts(), 1);
  EXPECT_EQ(simulator.DailyTotals().Voided, 0);
  const std::string printed = simulator.Journal();
  EXPECT_EQ(printed.find("RECEIPT 0002"), std::string::npos) << printed;
  EXPECT_NE(restarted.Out().find("Handle File[R.txt] Line2 was sent before the failure and the "
                                 "register has no open receipt: it closed its receipt"),
            std::string::npos)
      << restarted.Out();
  EXPECT_NE(restarted.Out().find("Handle File[R.txt] Nothing to resume: the receipts up to "
                                 "Line2 (the last line) are closed and are not sent again"),
            std::string::npos)
      << restarted.Out();
}

}  // namespace
}  // namespace danvore
