// Starting with Windows: the value "DanvoreDriver" under the Run key of the
// local machine. The fixture puts back whatever value was there before.
#include "platform/autostart.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>

#include "platform/utf_win32.h"

namespace danvore::platform {
namespace {

constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kValue = L"DanvoreDriver";

// The Run value as the registry holds it; nothing when it is missing.
std::optional<std::wstring> RunValue() {
  DWORD bytes = 0;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, kRunKey, kValue, RRF_RT_REG_SZ, nullptr, nullptr,
                     &bytes) != ERROR_SUCCESS)
    return std::nullopt;
  std::wstring value(bytes / sizeof(wchar_t), L'\0');
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, kRunKey, kValue, RRF_RT_REG_SZ, nullptr, value.data(),
                     &bytes) != ERROR_SUCCESS)
    return std::nullopt;
  value.resize(bytes / sizeof(wchar_t));
  while (!value.empty() && value.back() == L'\0')
    value.pop_back();
  return value;
}

bool MayWriteRunKey() {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
    return false;
  ::RegCloseKey(key);
  return true;
}

class WindowsAutoStartTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = RunValue(); }
  void TearDown() override {
    if (!MayWriteRunKey()) return;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
      return;
    if (saved_) {
      ::RegSetValueExW(key, kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(saved_->c_str()),
                       static_cast<DWORD>((saved_->size() + 1) * sizeof(wchar_t)));
    } else {
      ::RegDeleteValueW(key, kValue);
    }
    ::RegCloseKey(key);
  }

 protected:
  std::optional<std::wstring> saved_;
};

TEST_F(WindowsAutoStartTest, TheLocationIsTheRunValueOfTheLocalMachine) {
  EXPECT_EQ(AutoStartLocation(),
            "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\DanvoreDriver");
}

TEST_F(WindowsAutoStartTest, OnWritesTheProgramPathAndOffRemovesIt) {
  if (!MayWriteRunKey()) GTEST_SKIP() << "no administrator rights for the Run key";
  const std::string paths[] = {
      "C:\\Program Files\\Danvore\\danvore.exe",
      "Z:\\tmp\\Ταμείο 2\\danvore.exe",
  };
  for (const std::string& path : paths) {
    SetAutoStart(true, path);
    EXPECT_EQ(RunValue(), Utf8ToWide(path)) << path;
  }
  SetAutoStart(false, paths[0]);
  EXPECT_FALSE(RunValue().has_value());
  // Nothing to remove is no error.
  EXPECT_NO_THROW(SetAutoStart(false, paths[0]));
  EXPECT_FALSE(RunValue().has_value());
}

TEST_F(WindowsAutoStartTest, WithoutAdministratorRightsTheFailureIsReported) {
  if (MayWriteRunKey()) GTEST_SKIP() << "running with administrator rights";
  try {
    SetAutoStart(true, "C:\\Danvore\\danvore.exe");
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'DanvoreDriver'");
  }
  EXPECT_EQ(RunValue(), saved_);
}

}  // namespace
}  // namespace danvore::platform
