#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "platform/autostart.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "ui_test_support.h"

namespace danvore::platform {
namespace {

class AutoStartTest : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("XDG_CONFIG_HOME", FDir.Path("xdg").c_str(), 1); }
  void TearDown() override { ::unsetenv("XDG_CONFIG_HOME"); }
  std::string Entry() const { return FDir.Path("xdg/autostart/DanvoreDriver.desktop"); }

  uitest::TTempDir FDir;
};

TEST_F(AutoStartTest, EntryFollowsXdgConfigHome) {
  EXPECT_EQ(AutoStartLocation(), Entry());
}

TEST_F(AutoStartTest, OnWritesAnEntryAndOffRemovesIt) {
  SetAutoStart(true, "/opt/danvore/danvore");
  ASSERT_TRUE(FileExists(Entry()));
  const std::string text = uitest::ReadText(Entry());
  EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
  EXPECT_NE(text.find("Type=Application\n"), std::string::npos);
  EXPECT_NE(text.find("Name=DanvoreDriver\n"), std::string::npos);
  EXPECT_NE(text.find("Exec=\"/opt/danvore/danvore\"\n"), std::string::npos);
  SetAutoStart(false, "/opt/danvore/danvore");
  EXPECT_FALSE(FileExists(Entry()));
  // Nothing to remove is no error.
  EXPECT_NO_THROW(SetAutoStart(false, "/opt/danvore/danvore"));
}

TEST_F(AutoStartTest, ExecQuotesPathsWithSpecialCharacters) {
  struct TCase {
    const char* Path;
    const char* Exec;
  };
  const TCase cases[] = {
      {"/opt/my apps/danvore", "Exec=\"/opt/my apps/danvore\"\n"},
      {"/opt/a\"b/danvore", "Exec=\"/opt/a\\\\\"b/danvore\"\n"},
      {"/opt/$x/danvore", "Exec=\"/opt/\\\\$x/danvore\"\n"},
      {"/opt/100%/danvore", "Exec=\"/opt/100%%/danvore\"\n"},
      {"/opt/a\\b/danvore", "Exec=\"/opt/a\\\\\\\\b/danvore\"\n"},
  };
  for (const TCase& c : cases) {
    SetAutoStart(true, c.Path);
    EXPECT_NE(uitest::ReadText(Entry()).find(c.Exec), std::string::npos) << c.Path;
  }
}

TEST_F(AutoStartTest, UnwritableFolderRaisesTheRegistryText) {
  std::filesystem::create_directories(FDir.Path("xdg"));
  uitest::WriteText(FDir.Path("xdg/autostart"), "a file where the folder belongs");
  try {
    SetAutoStart(true, "/opt/danvore/danvore");
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'DanvoreDriver'");
  }
}

TEST(StartProgram, RunsTheProgramWithItsArguments) {
  uitest::TTempDir dir;
  const std::string marker = dir.Path("marker");
  StartProgram("/bin/sh", {"-c", "printf '%s' \"$1\" > \"$2\"", "sh", "Restart", marker});
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (uitest::ReadText(marker) != "Restart" && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(uitest::ReadText(marker), "Restart");
}

TEST(StartProgram, MissingProgramRaises) {
  EXPECT_THROW(StartProgram("/nonexistent/danvore", {"Restart"}), std::runtime_error);
}

}  // namespace
}  // namespace danvore::platform
