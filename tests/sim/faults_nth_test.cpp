// Faults aimed at a later request of one command id: a payment travels
// with the same command id as the sale lines before it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ecr-sim/control.h"
#include "ecr-sim/faults.h"
#include "ecr-sim/options.h"

namespace danvore::sim {
namespace {

TEST(FaultPlanNth, FiresOnTheNthRequestOfItsCommandOnly) {
  struct TCase {
    const char* Name;
    std::function<void(TFaultPlan&)> Arm;
    std::function<bool(const TFaultDecision&)> Fired;
    // Requests in order and whether the fault fires on each.
    std::vector<std::pair<int, bool>> Requests;
  };
  const auto drop = [](const TFaultDecision& d) { return d.DropReply; };
  const auto close = [](const TFaultDecision& d) { return d.CloseWithoutReply; };
  const auto kill = [](const TFaultDecision& d) { return d.Kill; };
  const TCase cases[] = {
      {"drop the second sale command",
       [](TFaultPlan& p) { p.ExecuteThenDrop(10004, 2); },
       drop,
       {{10004, false}, {20000, false}, {10004, true}, {10004, false}}},
      {"close after the third",
       [](TFaultPlan& p) { p.ExecuteThenClose(10004, 3); },
       close,
       {{10004, false}, {10004, false}, {10004, true}}},
      {"kill after the second",
       [](TFaultPlan& p) { p.ExitAfter(10004, 2); },
       kill,
       {{10002, false}, {10004, false}, {10004, true}, {10004, false}}},
      {"faults of one id fire in the order armed",
       [](TFaultPlan& p) {
         p.ExecuteThenDrop(10004, 2);
         p.ExecuteThenDrop(10004);
       },
       drop,
       {{10004, false}, {10004, true}, {10004, true}, {10004, false}}},
      {"a close counts the requests a drop took",
       [](TFaultPlan& p) {
         p.ExecuteThenDrop(10004);
         p.ExecuteThenClose(10004, 2);
       },
       close,
       {{10004, false}, {10004, true}, {10004, false}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TFaultPlan plan;
    c.Arm(plan);
    for (std::size_t i = 0; i < c.Requests.size(); ++i)
      EXPECT_EQ(c.Fired(plan.Decide(c.Requests[i].first)), c.Requests[i].second) << "request " << i;
    EXPECT_EQ(plan.Describe(), "no faults\n");
  }
}

TEST(FaultPlanNth, ControlLinesAndOptionsTakeTheCount) {
  TRegisterState state;
  TFaultPlan faults;
  bool quit = false;
  TControlTarget target{state, faults, quit};
  std::string reply;
  for (const char* line : {"exec-drop 10004 2", "exec-close 10012", "exit-after 10004 3"})
    EXPECT_TRUE(RunControl(line, target, reply)) << line << ": " << reply;
  EXPECT_EQ(faults.Describe(),
            "exec-drop 10004 x1 after 1\nexec-close 10012 x1\nexit-after 10004 x1 after 2\n");
  EXPECT_FALSE(RunControl("exit-after 10004 0", target, reply));
  EXPECT_FALSE(RunControl("exec-drop 10004 1 1", target, reply));

  TSimCommandLine line;
  std::string error;
  ASSERT_TRUE(ParseCommandLine({"--tcp", "127.0.0.1:0", "--exec-drop", "10004,2", "--exec-close",
                                "10004", "--kill-after-id", "10004,3"},
                               line, error))
      << error;
  EXPECT_EQ(
      line.Options.Commands,
      (std::vector<std::string>{"exec-drop 10004 2", "exec-close 10004", "exit-after 10004 3"}));
}

}  // namespace
}  // namespace danvore::sim
