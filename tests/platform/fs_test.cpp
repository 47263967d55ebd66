#include "platform/fs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "support/temp_dir.h"

namespace danvore::platform {
namespace {

using danvore::test::ReadText;
using danvore::test::TTempDir;

const std::string kSep(1, PathSeparator());

std::size_t EntryCount(const std::string& folder) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
    ++count;
  return count;
}

TEST(ExecutablePathTest, NamesThisTestProgram) {
  const std::string exe = ExecutablePath();
  const std::string name = exe.substr(exe.find_last_of("\\/") + 1);
  EXPECT_TRUE(name == "test_platform" || name == "test_platform.exe") << exe;
  EXPECT_TRUE(FileExists(exe)) << exe;
}

TEST(PathSeparatorTest, TrailingDelimiterIsAddedOnce) {
  const struct {
    std::string In;
    std::string Out;
  } cases[] = {
      {"abc", "abc" + kSep},
      {"abc" + kSep, "abc" + kSep},
      {"", ""},
      {kSep, kSep},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IncludeTrailingPathDelimiter(c.In), c.Out) << c.In;
  EXPECT_TRUE(IsPathSeparator(PathSeparator()));
  EXPECT_FALSE(IsPathSeparator('a'));
}

TEST(ForceDirectoriesTest, CreatesParentsAndRefusesFilesInTheWay) {
  TTempDir dir;
  ASSERT_TRUE(AppendToFile(dir / "file", "x"));
  const struct {
    std::string Path;
    bool Ok;
  } cases[] = {
      {dir / ("a" + kSep + "b" + kSep + "c"), true},
      {dir / ("a" + kSep + "b" + kSep + "c" + kSep), true},  // exists already
      {dir / ("Παραγγελίες" + kSep + "νέα"), true},
      {dir / ("file" + kSep + "sub"), false},
      {dir / "file", false},
      {"", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ForceDirectories(c.Path), c.Ok) << c.Path;
    EXPECT_EQ(DirectoryExists(c.Path), c.Ok) << c.Path;
  }
}

TEST(ExistsTest, TellsFilesFromFolders) {
  TTempDir dir;
  ASSERT_TRUE(AppendToFile(dir / "file.txt", "x"));
  ASSERT_TRUE(ForceDirectories(dir / "folder.txt"));
  const struct {
    std::string Path;
    bool File;
    bool Folder;
  } cases[] = {
      {dir / "file.txt", true, false},
      {dir / "folder.txt", false, true},
      {dir / "missing", false, false},
      {"", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileExists(c.Path), c.File) << c.Path;
    EXPECT_EQ(DirectoryExists(c.Path), c.Folder) << c.Path;
  }
}

TEST(FileContentTest, AppendCreatesThenAppends) {
  TTempDir dir;
  const std::string path = dir / "Ημερολόγιο.log";
  ASSERT_TRUE(AppendToFile(path, "one\r\n"));
  ASSERT_TRUE(AppendToFile(path, std::string("t\0o\r\n", 5)));
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(path, bytes));
  EXPECT_EQ(bytes, std::string("one\r\nt\0o\r\n", 10));
}

TEST(FileContentTest, FailuresAreReported) {
  TTempDir dir;
  ASSERT_TRUE(AppendToFile(dir / "file", "x"));
  ASSERT_TRUE(ForceDirectories(dir / "folder"));
  std::string bytes = "unchanged";
  EXPECT_FALSE(ReadWholeFile(dir / "missing", bytes));
  EXPECT_FALSE(ReadWholeFile(dir / "folder", bytes));
  EXPECT_EQ(bytes, "unchanged");
  EXPECT_FALSE(AppendToFile(dir / ("missing" + kSep + "a.log"), "x"));
  EXPECT_FALSE(AppendToFile(dir / "folder", "x"));
  EXPECT_TRUE(RemoveFile(dir / "file"));
  EXPECT_FALSE(RemoveFile(dir / "file"));
  EXPECT_FALSE(FileExists(dir / "file"));
}

TEST(WriteFileAtomicTest, ReplacesContentAndLeavesNoTemporaryFile) {
  TTempDir dir;
  const std::string path = dir / "Config.Ini";
  ASSERT_TRUE(WriteFileAtomic(path, "old content that is longer"));
  ASSERT_TRUE(WriteFileAtomic(path, "new"));
  EXPECT_EQ(ReadText(path), "new");
  ASSERT_TRUE(WriteFileAtomic(path, ""));
  EXPECT_EQ(ReadText(path), "");
  EXPECT_EQ(EntryCount(dir.Dir()), 1u);
}

TEST(WriteFileAtomicTest, FailsWithoutLeavingDebris) {
  TTempDir dir;
  ASSERT_TRUE(AppendToFile(dir / "file", "keep"));
  ASSERT_TRUE(ForceDirectories(dir / "folder"));
  EXPECT_FALSE(WriteFileAtomic(dir / ("file" + kSep + "Config.Ini"), "x"));
  EXPECT_FALSE(WriteFileAtomic(dir / "folder", "x"));
  EXPECT_TRUE(DirectoryExists(dir / "folder"));
  EXPECT_EQ(ReadText(dir / "file"), "keep");
  EXPECT_EQ(EntryCount(dir.Dir()), 2u);
}

TEST(FindFirstEntryTest, MatchesTheWildcard) {
  TTempDir dir;
  ASSERT_TRUE(AppendToFile(dir / "b.txt", "x"));
  ASSERT_TRUE(AppendToFile(dir / "a.txt", "x"));
  ASSERT_TRUE(AppendToFile(dir / "c.log", "x"));
  ASSERT_TRUE(AppendToFile(dir / "ΠΑΡΑΓΓΕΛΙΑ.DAT", "x"));

  const auto log = FindFirstEntry(dir.Dir(), "*.log");
  ASSERT_TRUE(log.has_value());
  EXPECT_EQ(log->Name, "c.log");
  EXPECT_EQ(log->Path, dir / "c.log");
  EXPECT_TRUE(log->IsFile);

  const auto txt = FindFirstEntry(dir.Dir(), "*.txt");
  ASSERT_TRUE(txt.has_value());
  EXPECT_TRUE(txt->Name == "a.txt" || txt->Name == "b.txt") << txt->Name;

  // Wildcards match without regard to case, as the Windows search does.
  const auto upper = FindFirstEntry(dir.Dir(), "*.dat");
  ASSERT_TRUE(upper.has_value());
  EXPECT_EQ(upper->Name, "ΠΑΡΑΓΓΕΛΙΑ.DAT");

  EXPECT_FALSE(FindFirstEntry(dir.Dir(), "*.ans").has_value());
  EXPECT_FALSE(FindFirstEntry(dir / "missing", "*.txt").has_value());
}

TEST(FindFirstEntryTest, FolderNamedLikeAFileIsNotAFile) {
  TTempDir dir;
  ASSERT_TRUE(ForceDirectories(dir / "x.txt"));
  const auto entry = FindFirstEntry(dir.Dir(), "*.txt");
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->Name, "x.txt");
  EXPECT_FALSE(entry->IsFile);
  EXPECT_FALSE(FindFirstEntry(dir.Dir(), "*").value().Name == ".");
}

TEST(FindFirstEntryTest, ReportsTheAgeOfTheEntry) {
  TTempDir dir;
  ASSERT_TRUE(AppendToFile(dir / "old.txt", "x"));
  ASSERT_TRUE(AppendToFile(dir / "new.log", "x"));
  std::filesystem::last_write_time(
      dir / "old.txt", std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  const auto old = FindFirstEntry(dir.Dir(), "*.txt");
  const auto fresh = FindFirstEntry(dir.Dir(), "*.log");
  ASSERT_TRUE(old.has_value() && fresh.has_value());
  EXPECT_GE(old->SecondsSinceModified, 3590.0);
  EXPECT_LT(old->SecondsSinceModified, 3600.0 + 600.0);
  EXPECT_GT(fresh->SecondsSinceModified, -5.0);
  EXPECT_LT(fresh->SecondsSinceModified, 600.0);
}

}  // namespace
}  // namespace danvore::platform

TEST(WildcardMatchTest, MatchesTheLongNameOnly) {
  struct Case {
    const char* Pattern;
    const char* Name;
    bool Match;
  };
  const Case cases[] = {
      {"*.txt", "R001.txt", true},
      {"*.txt", "R001.TXT", true},
      {"*.txt", "R1.txtx", false},
      {"*.txt", "R1.txt_old", false},
      {"*.txt", "abc.txt2", false},
      {"*.txt", ".txt", true},
      {"*.txt", "a.b.txt", true},
      {"*.txt", "txt", false},
      {"R?.txt", "R1.txt", true},
      {"R?.txt", "R12.txt", false},
      {"*", "", true},
      {"*.*", "a.b", true},
      {"a*b*c", "aXbYbZc", true},
      {"a*b*c", "aXbYbZ", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(danvore::platform::WildcardMatch(c.Pattern, c.Name), c.Match)
        << c.Pattern << " vs " << c.Name;
  }
}
