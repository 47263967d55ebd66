#include "ecr-sim/options.h"

#include <gtest/gtest.h>

namespace danvore::sim {
namespace {

TEST(CommandLine, ReadsTransportsAndRegisterSettings) {
  TSimCommandLine line;
  std::string error;
  ASSERT_TRUE(ParseCommandLine({"--tcp", "127.0.0.1:0", "--pty", "/tmp/ecr", "--baud", "115200",
                                "--ecr-id", "77", "--journal", "j.txt", "--frames", "f.jsonl",
                                "--status", "0x0C", "--status-text", "PAPER OUT"},
                               line, error))
      << error;
  EXPECT_TRUE(line.Tcp);
  EXPECT_EQ(line.TcpHost, "127.0.0.1");
  EXPECT_EQ(line.TcpPort, 0);
  EXPECT_EQ(line.PtyLink, "/tmp/ecr");
  EXPECT_EQ(line.SerialBaud, 115200);
  EXPECT_EQ(line.Options.Setup.Baud, 115200);
  EXPECT_EQ(line.Options.EcrId, 77u);
  EXPECT_EQ(line.Options.JournalPath, "j.txt");
  EXPECT_EQ(line.Options.FramesPath, "f.jsonl");
  EXPECT_EQ(line.Options.Setup.StatusBits, 0x0C);
  EXPECT_EQ(line.Options.Setup.StatusText, "PAPER OUT");
  EXPECT_TRUE(line.Options.Commands.empty());
}

TEST(CommandLine, FaultOptionsBecomeControlLines) {
  TSimCommandLine line;
  std::string error;
  ASSERT_TRUE(ParseCommandLine({"--serial",       "/dev/ttyS0", "--delay",         "30",
                                "--drop",         "2",          "--stale",         "1,150",
                                "--garbage",      "1",          "--split",         "40,2",
                                "--close-after",  "5",          "--refuse",        "10004:14:fe",
                                "--exec-drop",    "30009",      "--exec-close",    "10012",
                                "--kill-pid",     "1234",       "--kill-after-id", "10004",
                                "--pending",      "2,1",        "--transfer",      "1,0,0,3",
                                "--clerk",        "3:1234",     "--props-status",  "0",
                                "--props-length", "26",         "--command",       "status 8 JAM"},
                               line, error))
      << error;
  const std::vector<std::string> expected = {
      "delay 30",         "drop 2",        "stale 1 150",        "garbage 1",
      "split 40 2",       "close-after 5", "refuse 10004 14 fe", "exec-drop 30009",
      "exec-close 10012", "kill-pid 1234", "exit-after 10004",   "pending 2 1",
      "transfer 1 0 0 3", "clerk 3 1234",  "props-status 0",     "props-length 26",
      "status 8 JAM"};
  EXPECT_EQ(line.Options.Commands, expected);
  EXPECT_EQ(line.SerialDevice, "/dev/ttyS0");
  EXPECT_EQ(line.SerialBaud, 9600);
}

TEST(CommandLine, ReportsMistakes) {
  const struct {
    std::vector<std::string> Args;
    const char* Error;
  } cases[] = {
      {{}, "choose a transport: --tcp, --pty or --serial"},
      {{"--tcp", "nohost"}, "--tcp needs HOST:PORT, not nohost"},
      {{"--tcp", "127.0.0.1:70000"}, "--tcp needs HOST:PORT, not 127.0.0.1:70000"},
      {{"--tcp"}, "--tcp needs a value"},
      {{"--pty", "x", "--bogus", "1"}, "unknown option --bogus"},
      {{"--pty", "x", "stray"}, "unknown argument stray"},
      {{"--pty", "x", "--baud", "fast"}, "bad value for --baud: fast"},
      {{"--pty", "x", "--status", "0x10000"}, "bad value for --status: 0x10000"},
      {{"--pty", "x", "--delay", "soon"}, "bad number 'soon' for delay"},
      {{"--pty", "x", "--refuse", "10004"}, "wrong number of arguments for refuse"},
      {{"--pty", "x", "--command", "dance"}, "unknown command 'dance' (try help)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Error);
    TSimCommandLine line;
    std::string error;
    EXPECT_FALSE(ParseCommandLine(c.Args, line, error));
    EXPECT_EQ(error, c.Error);
  }
}

TEST(CommandLine, HelpDocumentsEveryOption) {
  TSimCommandLine line;
  std::string error;
  ASSERT_TRUE(ParseCommandLine({"--help"}, line, error));
  EXPECT_TRUE(line.Help);
  const std::string usage = UsageText();
  for (const char* option :
       {"--tcp",           "--allow-remote", "--pty",       "--serial",       "--baud",
        "--ecr-id",        "--journal",      "--frames",    "--status",       "--status-text",
        "--pending",       "--transfer",     "--clerk",     "--props-status", "--props-length",
        "--delay",         "--drop",         "--stale",     "--garbage",      "--split",
        "--close-after",   "--refuse",       "--exec-drop", "--exec-close",   "--kill-pid",
        "--kill-after-id", "--command",      "--help",      "  quit",         "  exit-after"}) {
    EXPECT_NE(usage.find(std::string(option) + " "), std::string::npos) << option;
  }
}

}  // namespace
}  // namespace danvore::sim
