// Start-up and shut-down of the bridge: the worker gets the settings of
// Config.Ini, the logger starts first and stops last.
#include <gtest/gtest.h>

#include <string>

#include "core/config.h"
#include "core/logger.h"
#include "core/program_dir.h"
#include "manager/bridge.h"
#include "manager/headless_prompt.h"
#include "worker_support.h"

namespace danvore {
namespace {

TEST(Bridge, HandsTheSettingsToTheWorker) {
  struct TCase {
    const char* Name;
    std::string System;  // keys of section System besides the transport
    bool Suspended;
    TDecimalType Decimal;
    int InCodePage;
    int OutCodePage;
  };
  const TCase cases[] = {
      {"folder set",
       "SourceDataPath=IN\r\nDecimalType=1\r\nInEncodingName=737\r\n"
       "OutEncodingName=1253\r\n",
       false, dtDot, 737, 1253},
      {"no folder", "DecimalType=0\r\nInEncodingName=ascii\r\nOutEncodingName=437\r\n", true,
       dtComma, 20127, 437},
      {"unknown names", "SourceDataPath=IN\r\nDecimalType=7\r\nInEncodingName=utf8\r\n", false,
       dtComma, MakeTextEncoding(0)->CodePage(), MakeTextEncoding(0)->CodePage()},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    test::TTempDir home;
    SetProgramDir(home.Dir());
    FreeConfig();
    std::string system = c.System;
    const std::string in = home.Dir() + "in";
    if (const auto at = system.find("IN"); at != std::string::npos) system.replace(at, 2, in);
    const std::string ini = "[System]\r\nConnKind=1\r\nHost=127.0.0.1\r\nPort=1\r\n" + system +
                            "AnswerPath=" + home.Dir() + "answers\r\n";
    platform::WriteFileAtomic(ConfigFilePath(), ini);
    test::TLogCapture log;
    THeadlessPrompt prompt(false);
    {
      TBridge bridge;
      bridge.Start(&prompt, false);
      ASSERT_NE(bridge.Manager(), nullptr);
      ASSERT_NE(GLogger, nullptr);
      EXPECT_TRUE(GetConfig().AppRunning);
      const TManager& manager = *bridge.Manager();
      EXPECT_EQ(manager.ReceiptsDir(), c.Suspended ? "" : in);
      EXPECT_EQ(manager.AnswerDir(), home.Dir() + "answers" + platform::PathSeparator());
      EXPECT_TRUE(platform::DirectoryExists(manager.AnswerDir()));
      EXPECT_EQ(manager.LineDelimiter(), "/");
      EXPECT_EQ(manager.SuspendWork(), c.Suspended);
      EXPECT_EQ(manager.DecimalType(), c.Decimal);
      EXPECT_EQ(manager.InEncoding()->CodePage(), c.InCodePage);
      EXPECT_EQ(manager.OutEncoding()->CodePage(), c.OutCodePage);
      EXPECT_TRUE(log.Has(llInfor, "APP Started, Connect Text(127.0.0.1:1)"));
      bridge.Stop();
      EXPECT_EQ(bridge.Manager(), nullptr);
      EXPECT_EQ(GLogger, nullptr);
      EXPECT_FALSE(GetConfig().AppRunning);
    }
    FreeConfig();
  }
}

TEST(Bridge, StopEndsTheWorkerBeforeTheLogger) {
  test::TTempDir home;
  SetProgramDir(home.Dir());
  FreeConfig();
  platform::WriteFileAtomic(ConfigFilePath(),
                            "[System]\r\nConnKind=1\r\nHost=127.0.0.1\r\nPort=1\r\n"
                            "SourceDataPath=" +
                                home.Dir() + "in\r\n");
  {
    TBridge bridge;
    bridge.Start(nullptr);
  }
  // The worker's last line reached the day file: the logger stopped after it.
  std::string text;
  for (const std::string& file : test::FilesUnder(home.Dir() + "log"))
    text += test::ReadText(file);
  EXPECT_NE(text.find("Infor] APP Started, Connect Text(127.0.0.1:1)\r\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("Debug] APP Terminated\r\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("APP Terminated"), text.rfind("APP Terminated"));
  FreeConfig();
}

}  // namespace
}  // namespace danvore
