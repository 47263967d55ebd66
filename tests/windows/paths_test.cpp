// Windows paths as the shops have them: a drive letter, either separator,
// Greek folder and file names. Every path below starts at a drive letter.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/program_dir.h"
#include "platform/fs.h"
#include "platform/utf_win32.h"
#include "win_temp_dir.h"

namespace danvore::platform {
namespace {

using danvore::testing::FolderNames;
using danvore::testing::TWinTempDir;
using danvore::testing::WideDirectoryExists;

bool StartsWithDriveLetter(const std::string& path) {
  return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         path[2] == '\\';
}

TEST(WindowsPathsTest, TheExecutableHasADriveLetterPath) {
  const std::string exe = ExecutablePath();
  EXPECT_TRUE(StartsWithDriveLetter(exe)) << exe;
  EXPECT_EQ(exe.substr(exe.find_last_of('\\') + 1), "test_windows.exe");
  EXPECT_TRUE(FileExists(exe));
  EXPECT_FALSE(DirectoryExists(exe));
}

TEST(WindowsPathsTest, ForceDirectoriesMakesGreekFoldersHoweverTheSeparatorsAreWritten) {
  TWinTempDir temp;
  ASSERT_TRUE(StartsWithDriveLetter(temp.Path())) << temp.Path();
  std::string forward = temp.Path();
  std::replace(forward.begin(), forward.end(), '\\', '/');
  const std::string cases[] = {
      temp / "Παραγγελίες\\Εισερχόμενα\\251209",
      forward + "/Απαντήσεις/251209/",
      temp.Path() + "/Μικτά\\Ένα/Δύο\\",
  };
  for (const std::string& path : cases) {
    EXPECT_FALSE(DirectoryExists(path)) << path;
    ASSERT_TRUE(ForceDirectories(path)) << path;
    EXPECT_TRUE(DirectoryExists(path)) << path;
    EXPECT_TRUE(WideDirectoryExists(path)) << path;
    EXPECT_TRUE(ForceDirectories(path)) << "again: " << path;
  }
}

TEST(WindowsPathsTest, ForceDirectoriesRefusesAFileInTheWay) {
  TWinTempDir temp;
  ASSERT_TRUE(WriteFileAtomic(temp / "Αρχείο", "x"));
  EXPECT_FALSE(ForceDirectories(temp / "Αρχείο\\Φάκελος"));
  EXPECT_FALSE(DirectoryExists(temp / "Αρχείο"));
}

TEST(WindowsPathsTest, WriteFileAtomicReplacesAGreekFileAndLeavesNothingBeside) {
  TWinTempDir temp;
  const std::string folder = temp / "Ταμείο";
  ASSERT_TRUE(ForceDirectories(folder));
  const std::string file = folder + "\\Config.Ini";
  const std::string contents[] = {"[System]\r\nSourceDataPath=C:\\Παραγγελίες\r\n", "", "second"};
  for (const std::string& content : contents) {
    ASSERT_TRUE(WriteFileAtomic(file, content));
    std::string read = "junk";
    ASSERT_TRUE(ReadWholeFile(file, read));
    EXPECT_EQ(read, content);
    EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"Config.Ini"});
  }
  ASSERT_TRUE(AppendToFile(file, " + more"));
  std::string read;
  ASSERT_TRUE(ReadWholeFile(file, read));
  EXPECT_EQ(read, "second + more");
  EXPECT_TRUE(RemoveFile(file));
  EXPECT_FALSE(FileExists(file));
  EXPECT_FALSE(ReadWholeFile(file, read));
}

TEST(WindowsPathsTest, FindFirstEntryMatchesTheWholeExtensionOfGreekNames) {
  const struct {
    std::vector<std::string> Files;
    std::vector<std::string> Folders;
    std::optional<std::string> Found;
    bool IsFile;
  } cases[] = {
      {{"Απόδειξη 1.txt"}, {}, "Απόδειξη 1.txt", true},
      {{"Απόδειξη.ans", "Απάντηση.ERR1"}, {}, std::nullopt, false},
      // A classic short-name trap: R1~1.TXT would match *.txt.
      {{"R1.txtx", "R1.txt_old"}, {}, std::nullopt, false},
      {{}, {"Παλιά.txt"}, "Παλιά.txt", false},
      {{}, {}, std::nullopt, false},
  };
  for (const auto& c : cases) {
    TWinTempDir temp;
    const std::string folder = temp / "Παραγγελίες";
    ASSERT_TRUE(ForceDirectories(folder));
    for (const std::string& name : c.Files)
      ASSERT_TRUE(WriteFileAtomic(folder + "\\" + name, "SL/1/2\r\n")) << name;
    for (const std::string& name : c.Folders)
      ASSERT_TRUE(ForceDirectories(folder + "\\" + name)) << name;
    for (const std::string& base : {folder, folder + "\\"}) {
      const std::optional<TDirEntry> entry = FindFirstEntry(base, "*.txt");
      ASSERT_EQ(entry.has_value(), c.Found.has_value())
          << base << " " << (entry ? entry->Name : "");
      if (!entry) continue;
      EXPECT_EQ(entry->Name, *c.Found);
      EXPECT_EQ(entry->Path, folder + "\\" + *c.Found);
      EXPECT_EQ(entry->IsFile, c.IsFile);
      EXPECT_GE(entry->SecondsSinceModified, -5.0);
      EXPECT_LT(entry->SecondsSinceModified, 3600.0);
    }
  }
}

TEST(WindowsPathsTest, ProgramFolderAndConfigLiveInAGreekDriveLetterFolder) {
  TWinTempDir temp;
  const std::string home = temp / "Ταμείο 1";
  ASSERT_TRUE(ForceDirectories(home));
  SetProgramDir(home);
  EXPECT_EQ(ProgramDir(), home + "\\");
  EXPECT_EQ(ConfigFilePath(), home + "\\Config.Ini");
  EXPECT_EQ(DefaultLogDir(), home + "\\log\\");
  EXPECT_EQ(DefaultAnswerPath(), home + "\\Answer");
  {
    TIniConfig config(ConfigFilePath());
    config.ReadConfig();
    config.SourceDataPath = "Z:\\tmp\\Παραγγελίες";
    config.AnswerPath = "C:\\Ταμείο\\Απαντήσεις";
    config.WriteConfig();
  }
  TIniConfig again(ConfigFilePath());
  again.ReadConfig();
  EXPECT_EQ(again.SourceDataPath, "Z:\\tmp\\Παραγγελίες");
  EXPECT_EQ(again.AnswerPath, "C:\\Ταμείο\\Απαντήσεις");
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(ConfigFilePath(), bytes));
  EXPECT_NE(bytes.find("SourceDataPath=Z:\\tmp\\Παραγγελίες"), std::string::npos) << bytes;
  SetProgramDir("");
}

}  // namespace
}  // namespace danvore::platform
