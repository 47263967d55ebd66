#include "core/program_dir.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/format.h"
#include "core/result.h"
#include "platform/fs.h"

namespace danvore {
namespace {

const std::string kSep(1, platform::PathSeparator());

TEST(ProgramDirTest, DefaultsToTheExecutablesFolder) {
  SetProgramDir("");
  const std::string exe = platform::ExecutablePath();
  const std::string dir = ProgramDir();
  ASSERT_FALSE(dir.empty());
  EXPECT_TRUE(platform::IsPathSeparator(dir.back()));
  EXPECT_EQ(exe.substr(0, dir.size()), dir);
  EXPECT_EQ(exe.find_first_of("\\/", dir.size()), std::string::npos);
  EXPECT_EQ(DebugFilePath(), dir + "test_core.debug");
}

TEST(ProgramDirTest, PathsFollowTheOverride) {
  const std::string home = "home" + kSep + "danvore";
  const std::string overrides[] = {home, home + kSep};
  for (const std::string& dir : overrides) {
    SetProgramDir(dir);
    const std::string base = home + kSep;
    EXPECT_EQ(ProgramDir(), base);
    EXPECT_EQ(ConfigFilePath(), base + "Config.Ini");
    EXPECT_EQ(DefaultLogDir(), base + "log" + kSep);
    EXPECT_EQ(DefaultAnswerPath(), base + "Answer");
    EXPECT_EQ(DebugFilePath(), base + "test_core.debug");
  }
  SetProgramDir("");
}

TEST(FormatTest, FillsPatternsWithTextAndNumbers) {
  EXPECT_EQ(Format("%s %s, %s", std::string("X Report"), "Error", std::string("busy")),
            "X Report Error, busy");
  EXPECT_EQ(Format("%s %s, %s, Retry:%d", "Send Data", "Error", "", 3),
            "Send Data Error, , Retry:3");
  EXPECT_EQ(Format("Line%d(%s)", 12, std::string("Παραγγελία")), "Line12(Παραγγελία)");
  EXPECT_EQ(Format("%s", std::string()), "");
  EXPECT_EQ(Format("%s", std::string(5000, 'x')).size(), 5000u);
}

TEST(ResultTest, SetResultSetsAllThreeFields) {
  TResult result;
  SetResult(rcEVastel, "Paper out", 42, result);
  EXPECT_EQ(result.Code, rcEVastel);
  EXPECT_EQ(result.Msg, "Paper out");
  EXPECT_EQ(result.ExParams, 42);
  EXPECT_STREQ(RetCodeName(rcTimeOut), "rcTimeOut");
  EXPECT_FALSE(SysErrorMessage(ERROR_TIMEOUT_CODE).empty());
}

}  // namespace
}  // namespace danvore
