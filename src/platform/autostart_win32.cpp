#include <windows.h>

#include <stdexcept>

#include "platform/autostart.h"
#include "platform/utf_win32.h"

namespace danvore::platform {

namespace {

constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class TRegKey {
 public:
  TRegKey() = default;
  ~TRegKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  TRegKey(const TRegKey&) = delete;
  TRegKey& operator=(const TRegKey&) = delete;
  // Opens the Run key of the local machine with full access, creating it when missing.
  bool OpenRun() {
    return RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, nullptr, &key_, nullptr) == ERROR_SUCCESS;
  }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

std::runtime_error Failure(const char* what) {
  return std::runtime_error(std::string(what) + " '" + kAutoStartName + "'");
}

}  // namespace

std::string AutoStartLocation() {
  return "HKEY_LOCAL_MACHINE\\" + WideToUtf8(kRunKey) + "\\" + kAutoStartName;
}

void SetAutoStart(bool On, const std::string& ProgramPath) {
  const std::wstring name = Utf8ToWide(kAutoStartName);
  TRegKey key;
  const bool opened = key.OpenRun();
  if (On) {
    const std::wstring value = Utf8ToWide(ProgramPath);
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    if (!opened ||
        RegSetValueExW(key.Get(), name.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(value.c_str()), bytes) != ERROR_SUCCESS)
      throw Failure("Failed to set data for");
    return;
  }
  if (!opened) {
    // Without write access a value that is not there is still no error.
    const LSTATUS probe = RegGetValueW(HKEY_LOCAL_MACHINE, kRunKey, name.c_str(), RRF_RT_ANY,
                                       nullptr, nullptr, nullptr);
    if (probe == ERROR_FILE_NOT_FOUND) return;
    throw Failure("Failed to delete");
  }
  const LSTATUS status = RegDeleteValueW(key.Get(), name.c_str());
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) throw Failure("Failed to delete");
}

}  // namespace danvore::platform
