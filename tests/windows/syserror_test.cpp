// The results carry the system's own message texts. Under Wine the wording
// differs from Windows (1460 reads "Timeout."), so these tests check that the
// text comes from FormatMessage, not what it says.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/errors.h"
#include "platform/syserror.h"
#include "platform/utf_win32.h"

namespace danvore {
namespace {

// FormatMessage's text straight from the system, trailing break removed.
std::string SystemText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (length == 0 || buffer == nullptr) return std::string();
  std::wstring text(buffer, length);
  ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
    text.pop_back();
  return platform::WideToUtf8(text);
}

const int kCodesInResults[] = {
    ERROR_INVALID_DATA_CODE,
    ERROR_BAD_UNIT_CODE,
    ERROR_BAD_COMMAND_CODE,
    ERROR_INVALID_PARAMETER_CODE,
    ERROR_DEVICE_NOT_CONNECTED_CODE,
    ERROR_NO_NETWORK_CODE,
    ERROR_TIMEOUT_CODE,
};

TEST(SysErrorMessageTest, CodesOfTheResultsCarryTheSystemsText) {
  for (const int code : kCodesInResults) {
    const std::string expected = SystemText(static_cast<DWORD>(code));
    ASSERT_FALSE(expected.empty()) << "the system has no text for " << code;
    const std::string text = SysErrorMessage(code);
    EXPECT_EQ(text, expected) << code;
    EXPECT_NE(text, "System error " + std::to_string(code) + ".") << code;
    ASSERT_FALSE(text.empty()) << code;
    EXPECT_NE(text.back(), '\n') << code;
    EXPECT_NE(text.back(), '\r') << code;
  }
}

TEST(SysErrorMessageTest, TheWindowsCodesMatchTheSystemHeaders) {
  const struct {
    int Ours;
    DWORD Windows;
  } cases[] = {
      {ERROR_INVALID_DATA_CODE, ERROR_INVALID_DATA},
      {ERROR_BAD_UNIT_CODE, ERROR_BAD_UNIT},
      {ERROR_BAD_COMMAND_CODE, ERROR_BAD_COMMAND},
      {ERROR_INVALID_PARAMETER_CODE, ERROR_INVALID_PARAMETER},
      {ERROR_DEVICE_NOT_CONNECTED_CODE, ERROR_DEVICE_NOT_CONNECTED},
      {ERROR_NO_NETWORK_CODE, ERROR_NO_NETWORK},
      {ERROR_TIMEOUT_CODE, ERROR_TIMEOUT},
  };
  for (const auto& c : cases)
    EXPECT_EQ(static_cast<DWORD>(c.Ours), c.Windows);
}

TEST(SysErrorMessageTest, ACodeWithoutSystemTextGetsANumberedText) {
  const int unknown = 0x2FFFFFF0;
  ASSERT_TRUE(SystemText(unknown).empty());
  EXPECT_EQ(SysErrorMessage(unknown), "System error " + std::to_string(unknown) + ".");
}

TEST(SysErrorMessageTest, LastErrorTextIsTheTextOfGetLastError) {
  ::SetLastError(ERROR_FILE_NOT_FOUND);
  const std::string text = platform::LastSystemErrorText();
  EXPECT_EQ(text, SystemText(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(text.empty());
}

}  // namespace
}  // namespace danvore
