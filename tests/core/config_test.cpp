#include "core/config.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "core/program_dir.h"
#include "platform/fs.h"
#include "platform/utf.h"
#include "support/temp_dir.h"

namespace danvore {
namespace {

using danvore::test::ReadText;
using danvore::test::TTempDir;

const std::string kSep(1, platform::PathSeparator());

using TIntField = std::function<std::int64_t(const TIniConfig&)>;
using TTextField = std::function<std::string(const TIniConfig&)>;

class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override { SetProgramDir(dir_.Dir()); }
  void TearDown() override { SetProgramDir(""); }

  std::string Path() const { return dir_ / "Config.Ini"; }
  void WriteFile(const std::string& text) const {
    ASSERT_TRUE(platform::WriteFileAtomic(Path(), text));
  }
  std::unique_ptr<TIniConfig> Read() const {
    auto config = std::make_unique<TIniConfig>(Path());
    config->ReadConfig();
    return config;
  }

  TTempDir dir_;
};

TEST_F(ConfigTest, NewInstanceStartsEmpty) {
  const TIniConfig config(Path());
  EXPECT_EQ(config.IniPath(), Path());
  EXPECT_EQ(config.ConnKind, 0);
  EXPECT_EQ(config.Host, "");
  EXPECT_EQ(config.Port, 0);
  EXPECT_EQ(config.AnswerPath, "");
  EXPECT_FALSE(config.AllVoidBeforeProcessFile);
  EXPECT_FALSE(config.AppRunning);
}

TEST_F(ConfigTest, MissingFileReadsAsDefaults) {
  const auto config = Read();
  const struct {
    const char* Name;
    std::string Value;
    std::string Expected;
  } texts[] = {
      {"Host", config->Host, "COM1"},
      {"InEncodingName", config->InEncodingName, "Default"},
      {"OutEncodingName", config->OutEncodingName, "Default"},
      {"SourceDataPath", config->SourceDataPath, ""},
      {"AnswerPath", config->AnswerPath, dir_ / "Answer"},
  };
  for (const auto& c : texts)
    EXPECT_EQ(c.Value, c.Expected) << c.Name;
  const struct {
    const char* Name;
    std::int64_t Value;
    std::int64_t Expected;
  } numbers[] = {
      {"ConnKind", config->ConnKind, 0},
      {"Port", config->Port, 9600},
      {"AllVoidBeforeProcessFile", config->AllVoidBeforeProcessFile, 1},
      {"BootWithWindow", config->BootWithWindow, 0},
      {"LastClerkID", config->LastClerkID, 1},
      {"LastClerkPassWord", config->LastClerkPassWord, 0},
      {"DecimalType", config->DecimalType, 0},
  };
  for (const auto& c : numbers)
    EXPECT_EQ(c.Value, c.Expected) << c.Name;
  EXPECT_FALSE(platform::FileExists(Path()));  // reading never creates the file
}

TEST_F(ConfigTest, NumbersAndBooleansFollowTheReadingRules) {
  const TIntField port = [](const TIniConfig& c) { return c.Port; };
  const TIntField connKind = [](const TIniConfig& c) { return c.ConnKind; };
  const TIntField clerk = [](const TIniConfig& c) { return c.LastClerkID; };
  const TIntField boot = [](const TIniConfig& c) { return c.BootWithWindow; };
  const TIntField allVoid = [](const TIniConfig& c) { return c.AllVoidBeforeProcessFile; };
  const struct {
    const char* Key;
    std::string Value;
    TIntField Field;
    std::int64_t Expected;
  } cases[] = {
      {"Port", "0x2580", port, 9600},
      {"Port", "0X2580", port, 9600},
      {"Port", "19200", port, 19200},
      {"Port", "  4800  ", port, 4800},
      {"Port", "abc", port, 9600},
      {"Port", "", port, 9600},
      {"Port", "12abc", port, 9600},
      {"Port", "0x", port, 9600},
      {"Port", "0xG1", port, 9600},
      {"Port", "99999999999", port, 9600},
      {"ConnKind", "7", connKind, 7},
      {"ConnKind", "-1", connKind, -1},
      {"LastClerkID", "2147483647", clerk, 2147483647},
      {"LastClerkID", "-2147483648", clerk, -2147483648LL},
      {"LastClerkID", "2147483648", clerk, 1},
      {"LastClerkID", "0xFFFFFFFF", clerk, -1},
      {"BootWithWindow", "abc", boot, 0},
      {"BootWithWindow", "2", boot, 1},
      {"BootWithWindow", "0x10", boot, 1},
      {"BootWithWindow", "0", boot, 0},
      {"AllVoidBeforeProcessFile", "abc", allVoid, 1},
      {"AllVoidBeforeProcessFile", "0", allVoid, 0},
  };
  for (const auto& c : cases) {
    WriteFile("[System]\r\n" + std::string(c.Key) + "=" + c.Value + "\r\n");
    EXPECT_EQ(c.Field(*Read()), c.Expected) << c.Key << "=" << c.Value;
  }
}

TEST_F(ConfigTest, SectionsAndKeysIgnoreCase) {
  WriteFile("[system]\r\nPORT=19200\r\nhost = COM4 \r\n[CLERK]\r\nclerkid3=77\r\n");
  auto config = Read();
  EXPECT_EQ(config->Port, 19200);
  EXPECT_EQ(config->Host, "COM4");
  EXPECT_EQ(config->GetPassWord(3), 77);
  config->Port = 38400;
  config->WriteConfig();
  const std::string text = ReadText(Path());
  EXPECT_NE(text.find("PORT=38400\r\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("Port="), std::string::npos) << text;  // updated in place, not added
  EXPECT_EQ(text.find("[System]"), std::string::npos) << text;
}

TEST_F(ConfigTest, ClerkPasswordsComeFromTheClerkSection) {
  const struct {
    std::string File;
    std::int32_t Clerk;
    std::int32_t Expected;
  } cases[] = {
      {"[Clerk]\r\nClerkID7=1234\r\n", 7, 1234},
      {"[Clerk]\r\nClerkID7=0x10\r\n", 7, 16},
      {"[Clerk]\r\nClerkID17=1234\r\n", 7, 0},
      {"[Clerk]\r\nClerkID7=abc\r\n", 7, 0},
      {"[Clerk]\r\nClerkID7=\r\n", 7, 0},
      {"[System]\r\nClerkID7=1234\r\n", 7, 0},
      {"[Clerk]\r\nClerkID1=11\r\nClerkID12=1212\r\n", 12, 1212},
      {"", 1, 0},
  };
  for (const auto& c : cases) {
    WriteFile(c.File);
    EXPECT_EQ(TIniConfig(Path()).GetPassWord(c.Clerk), c.Expected) << c.File;
  }
}

TEST_F(ConfigTest, WriteCreatesTheFileWithTheKeysInOrder) {
  auto config = Read();
  config->AppRunning = true;
  config->ClearFiles = true;
  config->WriteConfig();
  EXPECT_EQ(ReadText(Path()),
            "[System]\r\n"
            "ConnKind=0\r\n"
            "Host=COM1\r\n"
            "Port=9600\r\n"
            "InEncodingName=Default\r\n"
            "OutEncodingName=Default\r\n"
            "SourceDataPath=\r\n"
            "AnswerPath=" +
                dir_ / "Answer" +
                "\r\n"
                "BootWithWindow=0\r\n"
                "AllVoidBeforeProcessFile=1\r\n"
                "LastClerkID=1\r\n"
                "LastClerkPassWord=0\r\n"
                "DecimalType=0\r\n");
}

TEST_F(ConfigTest, DefaultAnswerPathIsStoredByTheNextWrite) {
  WriteFile("[System]\r\nHost=COM3\r\n");
  auto config = Read();
  EXPECT_EQ(config->AnswerPath, dir_ / "Answer");
  EXPECT_EQ(ReadText(Path()).find("AnswerPath"), std::string::npos);  // memory only
  config->WriteConfig();
  EXPECT_NE(ReadText(Path()).find("AnswerPath=" + dir_ / "Answer" + "\r\n"), std::string::npos);
  SetProgramDir(dir_ / "elsewhere");
  EXPECT_EQ(Read()->AnswerPath, dir_ / "Answer");
}

TEST_F(ConfigTest, OtherLinesStayWhereTheyWere) {
  WriteFile(
      "; settings of the bridge\r\n"
      "[Clerk]\r\n"
      "ClerkID1=1111\r\n"
      "\r\n"
      "[System]\r\n"
      "# tuned by hand\r\n"
      "Port = 0x2580\r\n"
      "Custom=keep me\r\n"
      "\r\n"
      "[Extra]\r\n"
      "Host=not the system host\r\n");
  auto config = Read();
  config->Host = "COM5";
  config->DecimalType = 1;
  config->WriteConfig();
  EXPECT_EQ(ReadText(Path()),
            "; settings of the bridge\r\n"
            "[Clerk]\r\n"
            "ClerkID1=1111\r\n"
            "\r\n"
            "[System]\r\n"
            "# tuned by hand\r\n"
            "Port=9600\r\n"
            "Custom=keep me\r\n"
            "ConnKind=0\r\n"
            "Host=COM5\r\n"
            "InEncodingName=Default\r\n"
            "OutEncodingName=Default\r\n"
            "SourceDataPath=\r\n"
            "AnswerPath=" +
                dir_ / "Answer" +
                "\r\n"
                "BootWithWindow=0\r\n"
                "AllVoidBeforeProcessFile=1\r\n"
                "LastClerkID=1\r\n"
                "LastClerkPassWord=0\r\n"
                "DecimalType=1\r\n"
                "\r\n"
                "[Extra]\r\n"
                "Host=not the system host\r\n");
  EXPECT_EQ(config->GetPassWord(1), 1111);
}

TEST_F(ConfigTest, ByteOrderMarkIsReadButNeverWritten) {
  WriteFile("\xEF\xBB\xBF[System]\r\nPort=4800\r\n");
  auto config = Read();
  EXPECT_EQ(config->Port, 4800);
  config->WriteConfig();
  const std::string text = ReadText(Path());
  EXPECT_TRUE(text.starts_with("[System]\r\nPort=4800\r\n")) << text;
}

TEST_F(ConfigTest, LineFeedFilesKeepTheirLineEnds) {
  WriteFile("[System]\nPort=4800\n");
  auto config = Read();
  config->WriteConfig();
  const std::string text = ReadText(Path());
  EXPECT_TRUE(text.starts_with("[System]\nPort=4800\nConnKind=0\n")) << text;
  EXPECT_EQ(text.find('\r'), std::string::npos);
}

std::string Utf16Bytes(const std::u16string& text, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

TEST_F(ConfigTest, UnicodeFilesFromAnEditorAreRead) {
  const std::u16string text = u"[System]\r\nHost=Ταμείο\r\nSourceDataPath=C:\\Παραγγελίες\r\n";
  for (const bool bigEndian : {false, true}) {
    WriteFile(Utf16Bytes(text, bigEndian));
    const auto config = Read();
    EXPECT_EQ(config->Host, "Ταμείο") << bigEndian;
    EXPECT_EQ(config->SourceDataPath, "C:\\Παραγγελίες") << bigEndian;
    // The next write stores the same settings as UTF-8.
    config->WriteConfig();
    EXPECT_EQ(Read()->SourceDataPath, "C:\\Παραγγελίες") << bigEndian;
    EXPECT_TRUE(platform::IsValidUtf8(ReadText(Path())));
  }
}

TEST_F(ConfigTest, FileInTheSystemCodePageIsReadAsText) {
  // Greek folder name in code page 1253 next to plain keys: the keys read,
  // and whatever the letters become is valid text.
  WriteFile("[System]\r\nPort=6001\r\nSourceDataPath=C:\\\xD0\xE1\xF1\r\n");
  const auto config = Read();
  EXPECT_EQ(config->Port, 6001);
  EXPECT_TRUE(config->SourceDataPath.starts_with("C:\\"));
  EXPECT_TRUE(platform::IsValidUtf8(config->SourceDataPath));
}

TEST_F(ConfigTest, GreekFolderNamesRoundTrip) {
  const std::string greekDir = dir_ / ("Ρυθμίσεις" + kSep);
  ASSERT_TRUE(platform::ForceDirectories(greekDir));
  const struct {
    std::string Source;
    std::string Answer;
  } cases[] = {
      {"C:\\Παραγγελίες", "D:\\Απαντήσεις\\Ταμείο 1"},
      {"/srv/Παραγγελίες/νέες", "/srv/Απαντήσεις"},
  };
  for (const auto& c : cases) {
    TIniConfig config(greekDir + "Config.Ini");
    config.ReadConfig();
    config.SourceDataPath = c.Source;
    config.AnswerPath = c.Answer;
    config.WriteConfig();
    TIniConfig again(greekDir + "Config.Ini");
    again.ReadConfig();
    EXPECT_EQ(again.SourceDataPath, c.Source);
    EXPECT_EQ(again.AnswerPath, c.Answer);
  }
}

TEST_F(ConfigTest, WriteFailureNamesTheFile) {
  ASSERT_TRUE(platform::AppendToFile(dir_ / "file", "x"));
  ASSERT_TRUE(platform::ForceDirectories(dir_ / "folder.ini"));
  const std::string paths[] = {
      dir_ / ("file" + kSep + "Config.Ini"),
      dir_ / ("missing" + kSep + "Config.Ini"),
      dir_ / "folder.ini",
  };
  for (const std::string& path : paths) {
    TIniConfig config(path);
    config.ReadConfig();
    try {
      config.WriteConfig();
      ADD_FAILURE() << "no error for " << path;
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(std::string(error.what()), "Unable to write to " + path);
    }
  }
  EXPECT_EQ(ReadText(dir_ / "file"), "x");
}

TEST_F(ConfigTest, LineBreakInAValueFailsAndLeavesTheFileUnchanged) {
  const std::string before =
      "[System]\r\nSourceDataPath=/srv/in\r\nDecimalType=0\r\n[Clerk]\r\nClerkID1=1111\r\n";
  using TSetter = std::function<void(TIniConfig&, const std::string&)>;
  const TSetter source = [](TIniConfig& c, const std::string& v) { c.SourceDataPath = v; };
  const TSetter answer = [](TIniConfig& c, const std::string& v) { c.AnswerPath = v; };
  const TSetter host = [](TIniConfig& c, const std::string& v) { c.Host = v; };
  const TSetter encoding = [](TIniConfig& c, const std::string& v) { c.OutEncodingName = v; };
  const struct {
    const char* Key;
    TSetter Set;
    std::string Value;
  } cases[] = {
      {"SourceDataPath", source, "/srv/in\r\n[Clerk]\r\nClerkID1=999"},
      {"SourceDataPath", source, "/srv/in\n[Clerk]\nClerkID1=999"},
      {"SourceDataPath", source, "/srv/in\r[Clerk]\rClerkID1=999"},
      {"AnswerPath", answer, "/srv/out\r\n"},
      {"Host", host, "\nCOM2"},
      {"OutEncodingName", encoding, "1253\r"},
  };
  for (const auto& c : cases) {
    WriteFile(before);
    auto config = Read();
    c.Set(*config, c.Value);
    try {
      config->WriteConfig();
      ADD_FAILURE() << "no error for " << c.Key << "=" << c.Value;
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(std::string(error.what()), "Unable to write to " + Path());
    }
    EXPECT_EQ(ReadText(Path()), before) << c.Key << "=" << c.Value;
    EXPECT_EQ(config->GetPassWord(1), 1111);
  }
}

// The window's apply step against the worker storing the last clerk: each
// write sees whole settings, and the file always holds one writer's values.
TEST_F(ConfigTest, ChangesUnderHoldAndWritesFromAnotherThreadDoNotInterleave) {
  TIniConfig config(Path());
  constexpr int kRounds = 200;
  std::thread window([&] {
    for (int i = 0; i < kRounds; ++i) {
      const auto hold = config.Hold();
      config.Host = "host" + std::to_string(i);
      config.SourceDataPath = "in" + std::to_string(i);
      config.WriteConfig();
    }
  });
  for (int i = 0; i < kRounds; ++i) {
    const auto hold = config.Hold();
    config.LastClerkID = i;
    config.WriteConfig();
  }
  window.join();
  const auto stored = Read();
  EXPECT_EQ(stored->Host, "host" + std::to_string(kRounds - 1));
  EXPECT_EQ(stored->SourceDataPath, "in" + std::to_string(kRounds - 1));
  const std::string text = ReadText(Path());
  EXPECT_EQ(text.find("Host="), text.rfind("Host=")) << text;
}

TEST_F(ConfigTest, ProcessWideInstanceIsBoundToTheProgramFolder) {
  FreeConfig();
  TIniConfig& config = GetConfig();
  EXPECT_EQ(&config, &GetConfig());
  EXPECT_EQ(config.IniPath(), dir_ / "Config.Ini");
  EXPECT_EQ(config.Host, "");  // nothing read yet
  FreeConfig();
  SetProgramDir(dir_ / "other");
  EXPECT_EQ(GetConfig().IniPath(), dir_ / ("other" + kSep + "Config.Ini"));
  FreeConfig();
}

}  // namespace
}  // namespace danvore
