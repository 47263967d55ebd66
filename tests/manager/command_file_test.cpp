// Lines of a command file, the answer stem and the bytes of answer and
// error files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "manager/command_file.h"
#include "platform/fs.h"

namespace danvore {
namespace {

TEST(SplitTextLines, BreaksAtEveryKindOfLineEnd) {
  struct TCase {
    std::string Text;
    std::vector<std::string> Lines;
  };
  const TCase cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb\rc\r\nd", {"a", "b", "c", "d"}},
      {"\r\n", {""}},
      {"a\r\n\r\nb\r\n", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"a\r\r\n", {"a", ""}},
  };
  for (const TCase& c : cases) {
    std::vector<std::string> lines = {"left over"};
    SplitTextLines(c.Text, lines);
    EXPECT_EQ(lines, c.Lines) << testing::PrintToString(c.Text);
  }
}

TEST(IsBlankLine, OnlyBlanksAndControlCharacters) {
  EXPECT_TRUE(IsBlankLine(""));
  EXPECT_TRUE(IsBlankLine(" \t\x01 \x1F"));
  EXPECT_FALSE(IsBlankLine(" SL/1"));
  EXPECT_FALSE(IsBlankLine("\xCE\x91"));
}

TEST(AnswerStem, ReplacesOnlyTheLastExtension) {
  platform::TLocalTime t;
  t.Hour = 14;
  t.Minute = 5;
  t.Second = 9;
  EXPECT_EQ(AnswerStem("F/", "R001.txt", t), "F/R001_140509");
  EXPECT_EQ(AnswerStem("F/", "a.b.txt", t), "F/a.b_140509");
  EXPECT_EQ(AnswerStem("F/", "plain", t), "F/plain_140509");
  t.Hour = 0;
  t.Minute = 0;
  t.Second = 0;
  EXPECT_EQ(AnswerStem("", "x.TXT", t), "x_000000");
}

TEST(DatedAnswerFolder, TwoDigitYearMonthDay) {
  platform::TLocalTime t;
  t.Year = 2025;
  t.Month = 12;
  t.Day = 9;
  const std::string root = platform::IncludeTrailingPathDelimiter("answer");
  EXPECT_EQ(DatedAnswerFolder(root, t), root + "251209" + platform::PathSeparator());
  t.Year = 2100;
  t.Month = 1;
  t.Day = 2;
  EXPECT_EQ(DatedAnswerFolder(root, t), root + "000102" + platform::PathSeparator());
}

TEST(AnswerText, EveryLineEndsWithCrLf) {
  EXPECT_EQ(AnswerText({}), "");
  EXPECT_EQ(AnswerText({""}), "\r\n");
  EXPECT_EQ(AnswerText({"SL/a", "", "CR/1"}), "SL/a\r\n\r\nCR/1\r\n");
}

TEST(ErrorText, BlankLineThenTheMessageOnOneLine) {
  EXPECT_EQ(ErrorText({"SL/a", "XY"}, "<Line2(XY)>bad"), "SL/a\r\nXY\r\n\r\n<Line2(XY)>bad");
  EXPECT_EQ(ErrorText({"A"}, "one\r\ntwo\r\n"), "A\r\n\r\none\ttwo\t");
  EXPECT_EQ(ErrorText({"A"}, "lone\rcr\nlf"), "A\r\n\r\nlone\rcr\nlf");
  EXPECT_EQ(ErrorText({}, ""), "\r\n");
}

}  // namespace
}  // namespace danvore
