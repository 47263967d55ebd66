// A Config.Ini left in the ANSI code page by an older program keeps the Greek
// letters of its folder names on a Greek Windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/config.h"
#include "platform/fs.h"
#include "win_temp_dir.h"

namespace danvore {
namespace {

TEST(WindowsConfigTest, AnsiFileKeepsItsGreekFolderNames) {
  if (::GetACP() != 1253) GTEST_SKIP() << "the ANSI code page is " << ::GetACP() << ", not 1253";
  testing::TWinTempDir dir;
  const std::string path = dir / "Config.Ini";
  ASSERT_TRUE(platform::WriteFileAtomic(
      path, "[System]\r\nSourceDataPath=C:\\\xD0\xE1\xF1\xE1\xE3\xE3\xE5\xEB\xDF\xE5\xF2\r\n"));
  TIniConfig config(path);
  config.ReadConfig();
  EXPECT_EQ(config.SourceDataPath, "C:\\Παραγγελίες");
}

}  // namespace
}  // namespace danvore
