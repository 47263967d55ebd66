#include <gtest/gtest.h>

#include "ecr-sim/control.h"
#include "ecr-sim/faults.h"

namespace danvore::sim {
namespace {

TEST(FaultPlan, WithoutFaultsEveryRequestIsAnswered) {
  TFaultPlan plan;
  const TFaultDecision d = plan.Decide(10004);
  EXPECT_FALSE(d.Ignore || d.Refuse || d.DropReply || d.CloseWithoutReply || d.Kill ||
               d.CloseAfterReply || d.Stale || d.Garbage);
  EXPECT_EQ(d.SplitGapMs, -1);
  EXPECT_EQ(d.DelayMs, 0);
}

TEST(FaultPlan, CountedFaultsHitTheRightRequest) {
  TFaultPlan plan;
  plan.DropRequest(3);
  plan.CloseAfter(2);
  plan.SetDelay(40);
  const struct {
    bool Ignore;
    bool Close;
  } expected[] = {{false, false}, {false, true}, {true, false}, {false, false}};
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(i);
    const TFaultDecision d = plan.Decide(20000);
    EXPECT_EQ(d.Ignore, expected[i].Ignore);
    EXPECT_EQ(d.CloseAfterReply, expected[i].Close);
    EXPECT_EQ(d.DelayMs, 40);
  }
}

TEST(FaultPlan, IdFaultsWaitForTheirCommand) {
  TFaultPlan plan;
  plan.Refuse(10004, 14, false);
  plan.Refuse(10004, 22, true);
  plan.ExecuteThenDrop(30009);
  plan.ExecuteThenClose(10012);
  plan.ExitAfter(10002);
  plan.SetKillPid(4321);

  EXPECT_FALSE(plan.Decide(20000).Refuse);
  TFaultDecision d = plan.Decide(10004);
  EXPECT_TRUE(d.Refuse);
  EXPECT_EQ(d.RefuseError, 14);
  EXPECT_FALSE(d.RefuseFeForm);
  d = plan.Decide(10004);
  EXPECT_EQ(d.RefuseError, 22);
  EXPECT_TRUE(d.RefuseFeForm);
  EXPECT_FALSE(plan.Decide(10004).Refuse);

  EXPECT_TRUE(plan.Decide(30009).DropReply);
  EXPECT_FALSE(plan.Decide(30009).DropReply);
  EXPECT_TRUE(plan.Decide(10012).CloseWithoutReply);
  d = plan.Decide(10002);
  EXPECT_TRUE(d.Kill);
  EXPECT_EQ(d.KillPid, 4321);
  EXPECT_FALSE(plan.Decide(10002).Kill);
}

TEST(FaultPlan, ReplyShapingIsSpentOnlyOnSentReplies) {
  TFaultPlan plan;
  plan.AddStale(1, 150);
  plan.AddGarbage(2);
  plan.AddSplit(80, 1);
  plan.ExecuteThenDrop(10004);
  EXPECT_FALSE(plan.Decide(10004).Stale);  // no reply: nothing spent
  TFaultDecision d = plan.Decide(20000);
  EXPECT_TRUE(d.Stale);
  EXPECT_EQ(d.StaleGapMs, 150);
  EXPECT_TRUE(d.Garbage);
  EXPECT_EQ(d.SplitGapMs, 80);
  d = plan.Decide(20000);
  EXPECT_FALSE(d.Stale);
  EXPECT_TRUE(d.Garbage);
  EXPECT_EQ(d.SplitGapMs, -1);
  EXPECT_FALSE(plan.Decide(20000).Garbage);
}

TEST(FaultPlan, ClearDisarmsEverything) {
  TFaultPlan plan;
  plan.Refuse(10004, 14, false);
  plan.SetDelay(10);
  plan.AddGarbage(1);
  EXPECT_NE(plan.Describe(), "no faults\n");
  plan.Clear();
  EXPECT_EQ(plan.Describe(), "no faults\n");
  const TFaultDecision d = plan.Decide(10004);
  EXPECT_FALSE(d.Refuse || d.Garbage);
  EXPECT_EQ(d.DelayMs, 0);
}

TEST(Control, SplitWords) {
  EXPECT_EQ(SplitWords("  status 0x08  \"PAPER OUT\" x\r"),
            (std::vector<std::string>{"status", "0x08", "PAPER OUT", "x"}));
  EXPECT_TRUE(SplitWords(" \t ").empty());
  EXPECT_EQ(SplitWords("a \"\" b"), (std::vector<std::string>{"a", "", "b"}));
}

struct ControlCommands : ::testing::Test {
  TRegisterState State;
  TFaultPlan Faults;
  bool Quit = false;
  TControlTarget Target{State, Faults, Quit};

  bool Exec(const std::string& line, std::string* reply = nullptr) {
    std::string text;
    const bool understood = RunControl(line, Target, text);
    if (reply != nullptr) *reply = text;
    return understood;
  }
};

TEST_F(ControlCommands, RejectsWhatItDoesNotUnderstand) {
  const struct {
    const char* Line;
    const char* Reason;
  } cases[] = {
      {"frobnicate", "unknown command 'frobnicate' (try help)"},
      {"delay", "wrong number of arguments for delay"},
      {"delay 5 6", "wrong number of arguments for delay"},
      {"delay x", "bad number 'x' for delay"},
      {"drop 0", "bad number '0' for drop"},
      {"transfer 1", "wrong number of arguments for transfer"},
      {"transfer 1 0 0 4", "bad number '4' for transfer"},
      {"refuse 10004", "wrong number of arguments for refuse"},
      {"refuse 10004 14 xx", "wrong number of arguments for refuse"},
      {"status", "status needs BITS (0..0xFFFF)"},
      {"status 0x10000", "status needs BITS (0..0xFFFF)"},
      {"props-length 29", "bad number '29' for props-length"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Line);
    std::string reply;
    EXPECT_FALSE(Exec(c.Line, &reply));
    EXPECT_EQ(reply, c.Reason);
  }
  EXPECT_EQ(Faults.Describe(), "no faults\n");
  EXPECT_EQ(State.StatusWord(), 0);
}

TEST_F(ControlCommands, SetsRegisterState) {
  EXPECT_TRUE(Exec("status 0x0C \"PAPER OUT\""));
  EXPECT_EQ(State.StatusWord(), 0x0C);
  EXPECT_EQ(State.StatusText(), "PAPER OUT");
  EXPECT_TRUE(Exec("status 8 LOW PAPER"));
  EXPECT_EQ(State.StatusText(), "LOW PAPER");
  EXPECT_TRUE(Exec("pending 2 1"));
  EXPECT_EQ(State.StatusWord(), 0x0B);
  EXPECT_TRUE(Exec("transfer 1 4"));
  EXPECT_EQ(State.Transfer(), (TTransferState{1, 4, 1, 3}));
  EXPECT_TRUE(Exec("transfer 1 4 0 2"));
  EXPECT_EQ(State.Transfer(), (TTransferState{1, 4, 0, 2}));
  EXPECT_TRUE(Exec("props-status 0"));
  EXPECT_TRUE(Exec("props-length 26"));
  EXPECT_EQ(State.Properties().Status, 0);
  EXPECT_EQ(State.Properties().Length, 26);
  EXPECT_TRUE(Exec("baud 115200"));
  EXPECT_EQ(State.Baud(), 115200);
  EXPECT_TRUE(Exec("clerk 5 0x10"));
  std::string reply;
  EXPECT_TRUE(Exec("state", &reply));
  EXPECT_NE(reply.find("status 0x0B \"LOW PAPER\""), std::string::npos) << reply;
  EXPECT_NE(reply.find("transfer 1 4 0 length 2"), std::string::npos) << reply;
  EXPECT_TRUE(Exec("# a comment"));
  EXPECT_TRUE(Exec(""));
  EXPECT_FALSE(Quit);
  EXPECT_TRUE(Exec("quit"));
  EXPECT_TRUE(Quit);
}

TEST_F(ControlCommands, ArmsFaults) {
  for (const char* line : {"delay 25", "drop 2", "stale", "garbage 2", "split 40", "close-after 3",
                           "refuse 10004 14 fe", "exec-drop 30009", "exec-close 10012",
                           "exit-after 10004", "kill-pid 99"}) {
    SCOPED_TRACE(line);
    EXPECT_TRUE(Exec(line));
  }
  EXPECT_EQ(Faults.Describe(),
            "delay 25\ndrop 2\nstale 1 200\ngarbage 2\nsplit 40 1\nclose-after 3\n"
            "refuse 10004 14 fe\nexec-drop 30009 x1\nexec-close 10012 x1\n"
            "exit-after 10004 x1\nkill-pid 99\n");
  EXPECT_TRUE(Exec("clear-faults"));
  EXPECT_EQ(Faults.Describe(), "no faults\n");
}

TEST_F(ControlCommands, HelpListsEveryCommand) {
  std::string help;
  ASSERT_TRUE(Exec("help", &help));
  for (const char* command :
       {"quit",       "state",        "faults",       "clear-faults", "delay",   "drop",
        "stale",      "garbage",      "split",        "close-after",  "refuse",  "exec-drop",
        "exec-close", "exit-after",   "kill-pid",     "status",       "pending", "transfer",
        "clerk",      "props-status", "props-length", "baud"}) {
    EXPECT_NE(help.find(std::string("  ") + command + " "), std::string::npos) << command;
  }
}

}  // namespace
}  // namespace danvore::sim
