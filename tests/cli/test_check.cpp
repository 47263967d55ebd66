// danvore-cli check, run as the integrator runs it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_process.h"
#include "core/errors.h"
#include "platform/fs.h"
#include "support/temp_dir.h"

namespace danvore {
namespace {

using test::RunDanvoreCli;
using test::TCliRun;

std::string SourcePath(const std::string& relative) {
  return std::string(DANVORE_SOURCE_DIR) + "/" + relative;
}

std::string ReadSource(const std::string& relative) {
  std::string bytes;
  EXPECT_TRUE(platform::ReadWholeFile(SourcePath(relative), bytes)) << relative;
  return bytes;
}

// A command file with `content` in a fresh folder.
class TCommandFile {
 public:
  explicit TCommandFile(const std::string& content) : FPath(FDir / "receipt.txt") {
    EXPECT_TRUE(platform::WriteFileAtomic(FPath, content));
  }
  const std::string& Path() const { return FPath; }

 private:
  test::TTempDir FDir;
  std::string FPath;
};

TEST(CheckCommand, PrintsTheFramesOfTheExampleReceipt) {
  const TCliRun run = RunDanvoreCli(
      {"check", "--input-encoding", "1253", SourcePath("examples/check-example.txt")});
  EXPECT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(run.Out, ReadSource("tests/cli/data/check-example.expected"));
  EXPECT_EQ(run.Err, "");
}

struct TFileCase {
  const char* name;
  std::vector<std::string> options;
  std::string content;
  int exitCode;
  std::string out;
};

TEST(CheckCommand, PrintsOneLinePerFrameAndStopsAtTheFirstFailure) {
  const std::string badCommand = SysErrorMessage(ERROR_BAD_COMMAND_CODE);
  const std::string badParameter = SysErrorMessage(ERROR_INVALID_PARAMETER_CODE);
  const std::string clFrame = "AA 03 E0 82 00 00 00 00 00 01 E2 40 00 02 00 34 01 43 4B 96";
  const TFileCase cases[] = {
      {"lone CR, lone LF, CR LF; blank lines counted",
       {},
       "QQ\rCN\n \t\r\nDN",
       0,
       "Line1(QQ)\t10012\tAA 03 E0 C6 00 00 00 00 00 01 E2 40 00 01 00 77 64 2C 22\n"
       "Line2(CN)\t10000\tAA 03 E0 03 00 00 00 00 00 01 E2 40 00 00 00 B3\n"
       "Line4(DN)\t10001\tAA 03 E0 04 00 00 00 00 00 01 E2 40 00 00 00 B4\n"},
      {"unknown code after a good line; later lines unchecked",
       {},
       "CL\r\nXY/1/2\r\nCL\r\n",
       1,
       "Line1(CL)\t10004\t" + clFrame + "\nLine2(XY/1/2)\tERROR\t" + badCommand + "\n"},
      {"blank before the code", {}, " CL", 1, "Line1( CL)\tERROR\t" + badCommand + "\n"},
      {"payment without a mode", {}, "CR//10\n", 1, "Line1(CR//10)\tERROR\t" + badParameter + "\n"},
      {"table line without a number",
       {},
       "\n\nTBL\n",
       1,
       "Line3(TBL)\tERROR\tArgument out of range\n"},
      {"decimal comma by default",
       {},
       "DE/1.5",
       0,
       "Line1(DE/1.5)\t10004\tAA 03 E0 82 00 00 00 00 00 01 E2 40 00 07 00 39 01 44 00 00 00 00 "
       "00 D4 D0\n"},
      {"decimal dot",
       {"--decimal", "dot"},
       "DE/1.5",
       0,
       "Line1(DE/1.5)\t10004\tAA 03 E0 82 00 00 00 00 00 01 E2 40 00 07 00 39 01 44 00 00 00 00 "
       "96 37 AF\n"},
      {"Greek text read in code page 737",
       {"--input-encoding", "737"},
       "CR/1/0/\x89\x80\x94\x84\x91",
       0,
       "Line1(CR/1/0/ΚΑΦΕΣ)\t10004\tAA 03 E0 82 00 00 00 00 00 01 E2 40 00 18 00 4A 01 46 01 "
       "00 00 00 00 00 CA C1 D6 C5 D3 00 00 00 00 00 00 00 00 00 00 00 8B 8B\n"},
      {"only blank lines", {}, "\r\n  \r\n", 0, ""},
  };
  for (const TFileCase& c : cases) {
    const TCommandFile file(c.content);
    std::vector<std::string> args{"check"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(file.Path());
    const TCliRun run = RunDanvoreCli(args);
    EXPECT_EQ(run.ExitCode, c.exitCode) << c.name;
    EXPECT_EQ(run.Out, c.out) << c.name;
    EXPECT_EQ(run.Err, "") << c.name;
  }
}

TEST(CheckCommand, SaleNumbersStartAt1InEveryRun) {
  const TCommandFile file("CL\n");
  for (int i = 0; i < 2; ++i) {
    const TCliRun run = RunDanvoreCli({"check", file.Path()});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Out,
              "Line1(CL)\t10004\tAA 03 E0 82 00 00 00 00 00 01 E2 40 00 02 00 34 01 43 4B 96\n");
  }
}

TEST(CheckCommand, UnreadableFileIsNamedOnStandardError) {
  const test::TTempDir dir;
  const std::string missing = dir / "no-such-receipt.txt";
  const std::vector<std::vector<std::string>> runs = {{"check", missing}, {"check", dir.Dir()}};
  for (const auto& args : runs) {
    const TCliRun run = RunDanvoreCli(args);
    EXPECT_EQ(run.ExitCode, 2) << args[1];
    EXPECT_EQ(run.Out, "") << args[1];
    EXPECT_NE(run.Err.find(args[1]), std::string::npos) << run.Err;
  }
}

TEST(CheckCommand, RefusesWrongArguments) {
  const TCommandFile file("CL\n");
  const std::vector<std::vector<std::string>> cases = {
      {"check"},
      {"check", "--decimal", "semicolon", file.Path()},
      {"check", "--input-encoding", "850", file.Path()},
      {"check", "--frobnicate", file.Path()},
      {"check", file.Path(), file.Path()},
      {"check", file.Path(), "--decimal"},
  };
  for (const auto& args : cases) {
    const TCliRun run = RunDanvoreCli(args);
    EXPECT_EQ(run.ExitCode, 2) << args.size();
    EXPECT_EQ(run.Out, "");
    EXPECT_NE(run.Err.find("danvore-cli check"), std::string::npos) << run.Err;
  }
}

TEST(CheckCommand, HelpDescribesTheOutput) {
  const TCliRun run = RunDanvoreCli({"check", "--help"});
  EXPECT_EQ(run.ExitCode, 0);
  for (const char* word : {"Usage: danvore-cli check", "--decimal", "--input-encoding", "ERROR",
                           "30009", "123456", "Exit status"}) {
    EXPECT_NE(run.Out.find(word), std::string::npos) << word;
  }
}

}  // namespace
}  // namespace danvore
