#include <windows.h>

#include <stdexcept>

#include "platform/fs.h"
#include "platform/process.h"
#include "platform/syserror.h"
#include "platform/utf_win32.h"

namespace danvore::platform {

namespace {

// One argument as the C runtime splits command lines: quoted when it holds
// blanks or quotes, backslashes doubled only before a quote.
std::wstring QuoteArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

class THandle {
 public:
  explicit THandle(HANDLE handle) : handle_(handle) {}
  ~THandle() {
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;

 private:
  HANDLE handle_;
};

}  // namespace

void StartProgram(const std::string& Program, const std::vector<std::string>& Args) {
  const std::wstring program = Utf8ToWide(Program);
  std::wstring commandLine = QuoteArgument(program);
  for (const std::string& arg : Args)
    commandLine += L" " + QuoteArgument(Utf8ToWide(arg));
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &info))
    throw std::runtime_error("Cannot start " + Program + ": " + LastSystemErrorText());
  THandle process(info.hProcess);
  THandle thread(info.hThread);
}

void RestartSelf(const std::string& Argument) {
  StartProgram(ExecutablePath(), {Argument});
}

void ExitProcessNow(int Code) {
  ExitProcess(static_cast<UINT>(Code));
}

}  // namespace danvore::platform
