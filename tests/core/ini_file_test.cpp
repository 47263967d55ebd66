#include "core/ini_file.h"

#include <gtest/gtest.h>

namespace danvore {
namespace {

TEST(IniDocumentTest, ReadsTrimmedValuesOfTheFirstMatch) {
  TIniDocument ini;
  ini.Parse(
      "[A]\r\n"
      "  Key  =  spaced value  \r\n"
      ";Hidden=1\r\n"
      "Dup=first\r\n"
      "Dup=second\r\n"
      "Equals=a=b\r\n"
      "[ b ]\r\n"
      "key=in b\r\n"
      "[A]\r\n"
      "Late=ignored\r\n");
  const struct {
    const char* Section;
    const char* Key;
    std::optional<std::string> Value;
  } cases[] = {
      {"A", "Key", "spaced value"}, {"a", "KEY", "spaced value"}, {"A", "Hidden", std::nullopt},
      {"A", "Dup", "first"},        {"A", "Equals", "a=b"},       {"B", "Key", "in b"},
      {"A", "Late", std::nullopt},  {"C", "Key", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ini.Read(c.Section, c.Key), c.Value) << c.Key;
}

TEST(IniDocumentTest, TextRoundTrips) {
  const std::string cases[] = {
      "",
      "[S]\r\nk=v\r\n",
      "[S]\nk=v\n\n; note\n",
      "no section line\r\n[S]\r\n",
  };
  for (const std::string& text : cases) {
    TIniDocument ini;
    ini.Parse(text);
    EXPECT_EQ(ini.Text(), text);
  }
  TIniDocument bom;
  bom.Parse("\xEF\xBB\xBF[S]\r\n");
  EXPECT_EQ(bom.Text(), "[S]\r\n");
}

TEST(IniDocumentTest, WritesInPlaceOrAtTheEndOfTheSection) {
  const struct {
    std::string Before;
    std::string Section;
    std::string Key;
    std::string After;
  } cases[] = {
      {"", "S", "K", "[S]\r\nK=v\r\n"},
      {"; c\r\n", "S", "K", "; c\r\n\r\n[S]\r\nK=v\r\n"},
      {"[S]\r\n k = old \r\n", "s", "K", "[S]\r\nk=v\r\n"},
      {"[S]\r\nA=1\r\n\r\n[T]\r\n", "S", "K", "[S]\r\nA=1\r\nK=v\r\n\r\n[T]\r\n"},
      {"[S]\r\n;K=1\r\n", "S", "K", "[S]\r\n;K=1\r\nK=v\r\n"},
      {"[T]\r\nK=1\r\n", "S", "K", "[T]\r\nK=1\r\n\r\n[S]\r\nK=v\r\n"},
  };
  for (const auto& c : cases) {
    TIniDocument ini;
    ini.Parse(c.Before);
    ini.Write(c.Section, c.Key, "v");
    EXPECT_EQ(ini.Text(), c.After) << c.Before;
  }
}

TEST(IniDocumentTest, LineBreaksInNamesOrValuesAreRefused) {
  const std::string before = "[S]\r\nK=old\r\n";
  const struct {
    std::string Section;
    std::string Key;
    std::string Value;
  } cases[] = {
      {"S", "K", "a\rb"},
      {"S", "K", "a\nb"},
      {"S", "K", "/srv/in\r\n[Clerk]\r\nClerkID1=999"},
      {"S", "K", "trailing\n"},
      {"S", "New", "a\r\nb"},
      {"T", "K", "a\nb"},
      {"S", "K\r\nClerkID1", "999"},
      {"S\r\n[Clerk]", "K", "v"},
  };
  for (const auto& c : cases) {
    TIniDocument ini;
    ini.Parse(before);
    EXPECT_FALSE(ini.Write(c.Section, c.Key, c.Value)) << c.Value;
    EXPECT_EQ(ini.Text(), before) << c.Value;
  }
  TIniDocument ini;
  ini.Parse(before);
  EXPECT_TRUE(ini.Write("S", "K", "new"));
  EXPECT_EQ(ini.Text(), "[S]\r\nK=new\r\n");
}

}  // namespace
}  // namespace danvore
