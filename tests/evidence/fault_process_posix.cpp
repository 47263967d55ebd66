// Faults that need a process of their own: the disk filling up while the
// answer is written (a file-size limit in a child process) and the headless
// bridge killed with SIGKILL in the middle of a file, then started again.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <string>
#include <vector>

#include "evidence/evidence_support.h"
#include "platform/fs.h"

namespace danvore {
namespace {

using test::FilesEndingWith;
using test::ReadText;
using test::WaitUntil;

class ProcessFaultEvidence : public testing::Test, public test::TWorkerFixture {
 protected:
  test::TLogCapture log;
};

// Runs `body` in a forked child and returns its exit code (-1 if it did not
// exit normally). The child holds no threads but the caller's.
template <typename TBody>
int InChild(TBody body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(ProcessFaultEvidence, DiskFullWhileWritingTheAnswerKeepsTheFile) {
  TManager& manager = MakeManager();
  manager.SetInEncoding(MakeTextEncoding(test::kGreekEncoding));
  manager.SetOutEncoding(MakeTextEncoding(test::kGreekEncoding));
  // Blank lines are echoed, not executed: an answer larger than the limit.
  std::string content = test::ReceiptFile(1);
  for (int i = 0; i < 60; ++i)
    content += std::string(100, ' ') + "\r\n";
  const std::string path = Drop("full.txt", content);
  const std::string dated = DatedAnswerFolder(manager.AnswerDir(), platform::LocalNow());
  ASSERT_TRUE(platform::ForceDirectories(dated));

  const int child = InChild([&] {
    signal(SIGXFSZ, SIG_IGN);  // writes past the limit fail with EFBIG
    const rlimit limit{4096, 4096};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 3;
    std::vector<std::string> lines;
    if (manager.HandleFile(dated, path, lines)) return 1;
    return log.HasPart("Handle File[full.txt] Error3:") ? 0 : 2;
  });
  EXPECT_EQ(child, 0) << "1: reported success, 2: the log does not say why";
  EXPECT_TRUE(platform::FileExists(path));
  EXPECT_TRUE(test::FilesUnder(AnswerRoot()).empty()) << "a partial answer was left";

  std::vector<std::string> lines;
  EXPECT_TRUE(manager.HandleFile(dated, path, lines)) << "answered once there is room";
  const std::vector<std::string> answers = FilesEndingWith(AnswerRoot(), ".Ans");
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(ReadText(answers[0]), content);
  EXPECT_FALSE(platform::FileExists(path));
}

// danvore-cli run in a program folder of its own, pointed at the simulator.
class THeadlessBridge {
 public:
  THeadlessBridge(const std::string& home, std::uint16_t port) : FHome(home) {
    const std::string ini =
        "[System]\r\nConnKind=1\r\nHost=127.0.0.1\r\nPort=" + std::to_string(port) +
        "\r\nSourceDataPath=" + InDir() + "\r\nAnswerPath=" + AnswerDir() +
        "\r\nAllVoidBeforeProcessFile=1\r\n";
    platform::ForceDirectories(InDir());
    platform::WriteFileAtomic(home + "Config.Ini", ini);
  }
  std::string InDir() const { return FHome + "in/"; }
  std::string AnswerDir() const { return FHome + "answer/"; }
  std::string LogText() const {
    std::string text;
    for (const std::string& file : test::FilesEndingWith(FHome + "log", ".log"))
      text += ReadText(file);
    return text;
  }
  void Start() {
    const std::string program = std::string(DANVORE_BINARY_DIR) + "/src/cli/danvore-cli";
    const std::string output = FHome + "console.txt";
    FPid = fork();
    if (FPid == 0) {
      const int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      dup2(fd, 1);
      dup2(fd, 2);
      execl(program.c_str(), "danvore-cli", "--home", FHome.c_str(), "run", nullptr);
      _exit(127);
    }
  }
  // The exit code, or -signal when a signal ended it.
  int Stop(int signal) {
    kill(FPid, signal);
    int status = 0;
    waitpid(FPid, &status, 0);
    FPid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }
  ~THeadlessBridge() {
    if (FPid > 0) Stop(SIGKILL);
  }

 private:
  std::string FHome;
  pid_t FPid = -1;
};

TEST_F(ProcessFaultEvidence, BridgeKilledMidFileFinishesTheFileAfterARestart) {
  test::TTempDir home;
  THeadlessBridge bridge(home.Dir(), Port());
  Control("delay 100");  // a file of 20 sales then takes seconds
  const std::string content = test::ReceiptFile(20);
  const std::string path = bridge.InDir() + "killed.txt";
  ASSERT_TRUE(platform::WriteFileAtomic(path, content));
  bridge.Start();
  ASSERT_TRUE(Sim().WaitForRequests(8, 30000)) << "the bridge never reached the register";
  EXPECT_EQ(bridge.Stop(SIGKILL), -SIGKILL);
  EXPECT_TRUE(Sim().ReceiptOpen()) << "killed in the middle of the receipt";
  EXPECT_TRUE(platform::FileExists(path));
  EXPECT_TRUE(test::FilesUnder(bridge.AnswerDir()).empty()) << "a torn answer was left";

  Control("delay 0");
  bridge.Start();
  ASSERT_TRUE(WaitUntil([&] { return !platform::FileExists(path); }, 60000))
      << "the restarted bridge did not take the file";
  EXPECT_EQ(bridge.Stop(SIGTERM), 0);
  const std::vector<std::string> files = test::FilesUnder(bridge.AnswerDir());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(test::EndsWith(files[0], ".Ans"));
  EXPECT_EQ(ReadText(files[0]), content);
  EXPECT_FALSE(Sim().ReceiptOpen()) << "the receipt left open was voided first";
  EXPECT_NE(bridge.LogText().find("Handle File[killed.txt(Ans:"), std::string::npos);
}

}  // namespace
}  // namespace danvore
