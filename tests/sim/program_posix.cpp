// The simulator program: its announcement, standard-input commands, signals,
// files and the process-killing fault.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "sim_test_support.h"

namespace danvore::sim {
namespace {

using namespace test;

const std::string kProgram = DANVORE_BINARY_DIR "/tools/ecr-sim/danvore-ecr-sim";

// The program with pipes on its standard input and output.
class TProgram {
 public:
  explicit TProgram(const std::vector<std::string>& args) {
    int in[2];
    int out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) throw std::runtime_error("pipe");
    FPid = ::fork();
    if (FPid == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::close(in[1]);
      ::close(out[0]);
      std::vector<char*> argv{const_cast<char*>(kProgram.c_str())};
      for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
      argv.push_back(nullptr);
      ::execv(kProgram.c_str(), argv.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    FIn = in[1];
    FOut = out[0];
  }
  ~TProgram() {
    if (FPid > 0) {
      ::kill(FPid, SIGKILL);
      ::waitpid(FPid, nullptr, 0);
    }
    ::close(FIn);
    ::close(FOut);
  }

  pid_t Pid() const { return FPid; }

  void Say(const std::string& line) {
    const std::string text = line + "\n";
    ASSERT_EQ(::write(FIn, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }

  // The next line of standard output; empty on time-out or end.
  std::string ReadLine(int timeoutMs = 15000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (FBuffer.find('\n') == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline) return std::string();
      pollfd pfd{FOut, POLLIN, 0};
      if (::poll(&pfd, 1, 100) <= 0) continue;
      char chunk[512];
      const ssize_t n = ::read(FOut, chunk, sizeof chunk);
      if (n <= 0) return std::string();
      FBuffer.append(chunk, static_cast<std::size_t>(n));
    }
    const std::size_t end = FBuffer.find('\n');
    const std::string line = FBuffer.substr(0, end);
    FBuffer.erase(0, end + 1);
    return line;
  }

  // The exit status once the program has ended; -1 on time-out.
  int WaitExit(int timeoutMs = 15000) {
    int status = 0;
    const bool ended =
        WaitUntil([&] { return ::waitpid(FPid, &status, WNOHANG) == FPid; }, timeoutMs);
    if (!ended) return -1;
    FPid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  // The port of the "listening on 127.0.0.1:PORT" line.
  std::uint16_t ListeningPort() {
    const std::string line = ReadLine();
    std::smatch match;
    if (!std::regex_match(line, match, std::regex("listening on 127\\.0\\.0\\.1:(\\d+)"))) {
      ADD_FAILURE() << "announcement: '" << line << "'";
      return 0;
    }
    return static_cast<std::uint16_t>(std::stoi(match[1]));
  }

 private:
  pid_t FPid = -1;
  int FIn = -1;
  int FOut = -1;
  std::string FBuffer;
};

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kProgram)) GTEST_SKIP() << kProgram << " is not built";
  }
};

TBytes StatusReply(TTcpTestClient& client, std::uint32_t packNum) {
  client.Gathered.clear();
  client.Send(RequestFrame(20000, packNum, {}));
  std::vector<TSimFrame> frames;
  EXPECT_TRUE(client.ReadFrames(1, frames));
  return frames.empty() ? TBytes() : frames[0].Payload;
}

TEST_F(ProgramTest, HelpAndMistakes) {
  TProgram help({"--help"});
  EXPECT_EQ(help.ReadLine().rfind("Usage: danvore-ecr-sim", 0), 0u);
  EXPECT_EQ(help.WaitExit(), 0);
  TProgram wrong({"--tcp", "127.0.0.1:0", "--delay", "soon"});
  EXPECT_EQ(wrong.WaitExit(), 2);
  TProgram remote({"--tcp", "0.0.0.0:0"});
  EXPECT_EQ(remote.WaitExit(), 1);
}

TEST_F(ProgramTest, ServesUntilQuitWithCommandsAndFiles) {
  TTempDir dir;
  const std::string frames = dir.File("frames.jsonl");
  const std::string journal = dir.File("journal.txt");
  TProgram program({"--tcp", "127.0.0.1:0", "--frames", frames, "--journal", journal, "--status",
                    "8", "--status-text", "JAM"});
  TTcpTestClient client(program.ListeningPort());
  EXPECT_EQ(StatusReply(client, 0), (TBytes{0, 8, 'J', 'A', 'M'}));

  program.Say("status 0");
  EXPECT_EQ(program.ReadLine(), "ok");
  EXPECT_EQ(StatusReply(client, 1), (TBytes{0, 0}));
  program.Say("bogus");  // reported on standard error, the program goes on
  program.Say("state");
  EXPECT_EQ(program.ReadLine().rfind("status 0x00", 0), 0u);
  client.Send(RequestFrame(30009, 0, Text("101")));
  std::vector<TSimFrame> replies;
  client.Gathered.clear();
  ASSERT_TRUE(client.ReadFrames(1, replies));

  program.Say("quit");
  std::string line;
  while (!(line = program.ReadLine()).empty() && line != "bye") {
  }
  EXPECT_EQ(line, "bye");
  EXPECT_EQ(program.WaitExit(), 0);
  const std::string log = ReadFileText(frames);
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3);
  EXPECT_NE(
      log.find(
          "{\"id\":30009,\"code\":57375,\"packnum\":0,\"ecrid\":123456,\"payload\":\"313031\"}"),
      std::string::npos);
  EXPECT_NE(ReadFileText(journal).find("X REPORT"), std::string::npos);
}

TEST_F(ProgramTest, EndsOnSigterm) {
  TProgram program({"--tcp", "127.0.0.1:0"});
  ASSERT_NE(program.ListeningPort(), 0);
  ASSERT_EQ(::kill(program.Pid(), SIGTERM), 0);
  EXPECT_EQ(program.WaitExit(), 0);
}

TEST_F(ProgramTest, AnnouncesItsPseudoTerminal) {
  TTempDir dir;
  const std::string link = dir.File("ecr");
  TProgram program({"--pty", link});
  const std::string line = program.ReadLine();
  EXPECT_TRUE(std::regex_match(line, std::regex("pty " + link + " -> /dev/pts/\\d+"))) << line;
  EXPECT_TRUE(std::filesystem::is_symlink(link));
}

TEST_F(ProgramTest, KillsTheGivenProcessAfterTheCommand) {
  const pid_t victim = ::fork();
  if (victim == 0) {
    ::pause();
    ::_exit(0);
  }
  TProgram program(
      {"--tcp", "127.0.0.1:0", "--kill-pid", std::to_string(victim), "--kill-after-id", "10004"});
  TTcpTestClient client(program.ListeningPort());
  EXPECT_EQ(StatusReply(client, 0), (TBytes{0, 0}));
  int status = 0;
  EXPECT_EQ(::waitpid(victim, &status, WNOHANG), 0);  // alive after another command
  client.Send(RequestFrame(10004, 0, SalePayload(100)));
  ASSERT_TRUE(WaitUntil([&] { return ::waitpid(victim, &status, WNOHANG) == victim; }));
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGKILL);
  EXPECT_EQ(StatusReply(client, 1), (TBytes{0, 0x10}));  // the sale was executed
}

TEST_F(ProgramTest, ExitsItselfAfterTheCommandWithoutAProcessToKill) {
  TProgram program({"--tcp", "127.0.0.1:0", "--kill-after-id", "10004"});
  TTcpTestClient client(program.ListeningPort());
  client.Send(RequestFrame(10004, 0, SalePayload(100)));
  EXPECT_EQ(program.WaitExit(), 70);
}

}  // namespace
}  // namespace danvore::sim
