// danvore-cli run and the manual operations, as separate processes against
// the register simulator of this test over loopback TCP.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_home.h"
#include "cli/cli_process.h"
#include "cli/test_run_child.h"
#include "platform/fs.h"
#include "support/wait_until.h"

namespace danvore {
namespace {

using test::FilesUnder;
using test::WaitUntil;

// Console output without the CR that Windows puts before each LF.
std::string Lines(std::string text) {
  std::erase(text, '\r');
  return text;
}

std::string ReadBytes(const std::filesystem::path& path) {
  return test::ReadText(path.string());
}

// A program folder with a Config.Ini for the simulator of the test.
class RunTest : public test::TCliHomeTest {
 protected:
  void SetUp() override { MakeHome("InEncodingName=1253\r\nOutEncodingName=1253\r\n"); }
  std::vector<std::string> Args(std::vector<std::string> rest) const {
    rest.insert(rest.begin(), {"--home", home.string()});
    return rest;
  }
  std::string LogText() const {
    std::string text;
    for (const auto& file : FilesUnder(home / "log", ".log"))
      text += ReadBytes(file);
    return text;
  }
};

TEST_F(RunTest, AnswersCommandFilesUntilStopped) {
  test::TCliChild bridge(Args({"run"}));
  ASSERT_TRUE(bridge.Started());
  // Written under another name, then renamed: never read half-written.
  const std::string content = "SL/Coffee/1/1/2,50\r\nCR/1/2,50\r\n";
  platform::WriteFileAtomic((In() / "r1.tmp").string(), content);
  std::filesystem::rename(In() / "r1.tmp", In() / "r1.txt");
  ASSERT_TRUE(WaitUntil([&] { return FilesUnder(Answers(), ".Ans").size() == 1; }))
      << bridge.Out() << bridge.Err();
  const auto answers = FilesUnder(Answers(), ".Ans");
  EXPECT_EQ(ReadBytes(answers[0]), content);
  EXPECT_TRUE(WaitUntil([&] { return !std::filesystem::exists(In() / "r1.txt"); }));
  EXPECT_EQ(simulator.DailyTotals().Receipts, 1);

  bridge.Stop();
  EXPECT_EQ(bridge.Wait(20000), 0) << bridge.Err();
  EXPECT_NE(bridge.Out().find("Handle File[r1.txt]..."), std::string::npos) << bridge.Out();
  const std::string log = LogText();
  EXPECT_NE(log.find("APP Started, Connect Text(127.0.0.1:" + std::to_string(port) + ")"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Debug] APP Terminated\r\n"), std::string::npos) << log;
}

TEST_F(RunTest, OneProgramPerFolder) {
  test::TCliChild bridge(Args({"run"}));
  ASSERT_TRUE(WaitUntil([&] { return bridge.Out().find("Ctrl+C stops") != std::string::npos; }))
      << bridge.Err();

  const test::TCliRun second = test::RunDanvoreCli(Args({"run"}));
  EXPECT_EQ(second.ExitCode, 1);
  EXPECT_NE(second.Err.find("App is already running!"), std::string::npos) << second.Err;

  const test::TCliRun manual = test::RunDanvoreCli(Args({"check-conn"}));
  EXPECT_EQ(manual.ExitCode, 1);
  EXPECT_NE(manual.Err.find("stop it first"), std::string::npos) << manual.Err;

  bridge.Stop();
  EXPECT_EQ(bridge.Wait(20000), 0) << bridge.Err();
  const test::TCliRun after = test::RunDanvoreCli(Args({"check-conn"}));
  EXPECT_EQ(after.ExitCode, 0) << after.Out << after.Err;
}

TEST_F(RunTest, ManualOperationsPrintTheirOutcome) {
  struct TCase {
    std::vector<std::string> Operation;
    std::string PropsStatus;  // the register's end-of-day state
    int ExitCode;
    std::string Out;
    std::int32_t Request;  // the first register command the operation sent
  };
  // "ΛAΘOΣ 20": the register has no open receipt.
  const std::string noReceipt =
      "\xCE\x9B"
      "A\xCE\x98"
      "O\xCE\xA3 20";
  const TCase cases[] = {
      {{"check-conn"}, "1", 0, "OK\n", 10000},
      {{"void"}, "1", 1, noReceipt + "\n", 10004},
      {{"close-receipt"}, "1", 1, noReceipt + "\n", 10004},
      {{"x-report"}, "1", 0, "OK\n", 30009},
      {{"z-report"}, "1", 0, "OK\n", 30008},
      // "Print Now?" is asked when the day holds nothing; No by default.
      {{"z-report"}, "0", 1, "z-report Error, User Cancel\n", 30008},
      {{"z-report", "--yes"}, "0", 0, "OK\n", 30008},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Operation.front() + " " + std::to_string(c.Operation.size()) + " " +
                 c.PropsStatus);
    ASSERT_TRUE(simulator.Control("props-status " + c.PropsStatus));
    const std::size_t before = simulator.Requests().size();
    const test::TCliRun run = test::RunDanvoreCli(Args(c.Operation));
    EXPECT_EQ(run.ExitCode, c.ExitCode) << run.Err;
    EXPECT_EQ(Lines(run.Out), c.Out);
    const auto requests = simulator.Requests();
    ASSERT_GT(requests.size(), before);
    EXPECT_EQ(requests[before].Id, c.Request);
  }
}

TEST_F(RunTest, HelpAndUnknownOptions) {
  const test::TCliRun help = test::RunDanvoreCli({"run", "--help"});
  EXPECT_EQ(help.ExitCode, 0);
  EXPECT_NE(help.Out.find("--yes"), std::string::npos);
  const test::TCliRun manualHelp = test::RunDanvoreCli({"z-report", "--help"});
  EXPECT_EQ(manualHelp.ExitCode, 0);
  EXPECT_NE(manualHelp.Out.find("check-conn"), std::string::npos);
  const struct {
    std::vector<std::string> Args;
    int ExitCode;
  } usage[] = {{{"--help"}, 0}, {{}, 2}, {{"frobnicate"}, 2}, {{"--home"}, 2}};
  for (const auto& c : usage) {
    const test::TCliRun run = test::RunDanvoreCli(c.Args);
    EXPECT_EQ(run.ExitCode, c.ExitCode) << c.Args.size();
    EXPECT_NE((c.ExitCode == 0 ? run.Out : run.Err).find("Commands:"), std::string::npos)
        << c.Args.size();
  }
  const test::TCliRun wrong = test::RunDanvoreCli(Args({"run", "--fast"}));
  EXPECT_EQ(wrong.ExitCode, 2);
  EXPECT_NE(wrong.Err.find("--fast"), std::string::npos);
  EXPECT_TRUE(simulator.Requests().empty());
}

}  // namespace
}  // namespace danvore
