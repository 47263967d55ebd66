#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "cli/test_run_child.h"
#include "platform/signals_win32.h"

namespace danvore::test {

struct TCliChild::Impl {
  PROCESS_INFORMATION Process{};
  bool Started = false;
  bool Ended = false;
  int ExitCode = -1;
  std::filesystem::path OutPath;
  std::filesystem::path ErrPath;
};

namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::filesystem::path TempName(const char* kind) {
  static int counter = 0;
  return std::filesystem::temp_directory_path() /
         ("danvore-run-" + std::to_string(::GetCurrentProcessId()) + "-" +
          std::to_string(counter++) + kind);
}

HANDLE InheritableFile(const std::filesystem::path& path) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return ::CreateFileW(path.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

TCliChild::TCliChild(const std::vector<std::string>& args) : FImpl(std::make_unique<Impl>()) {
  const std::filesystem::path program =
      std::filesystem::path(DANVORE_BINARY_DIR) / "src" / "cli" / "danvore-cli.exe";
  std::wstring command = L"\"" + program.wstring() + L"\"";
  for (const std::string& arg : args)
    command += L" \"" + std::filesystem::path(arg).wstring() + L"\"";
  FImpl->OutPath = TempName(".out");
  FImpl->ErrPath = TempName(".err");
  HANDLE out = InheritableFile(FImpl->OutPath);
  HANDLE err = InheritableFile(FImpl->ErrPath);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out;
  startup.hStdError = err;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  // Its own process group, so that Ctrl+Break reaches it alone.
  FImpl->Started =
      ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP,
                       nullptr, nullptr, &startup, &FImpl->Process) != 0;
  ::CloseHandle(out);
  ::CloseHandle(err);
}

TCliChild::~TCliChild() {
  if (FImpl->Started) {
    if (!FImpl->Ended) {
      ::TerminateProcess(FImpl->Process.hProcess, 1);
      ::WaitForSingleObject(FImpl->Process.hProcess, INFINITE);
    }
    ::CloseHandle(FImpl->Process.hThread);
    ::CloseHandle(FImpl->Process.hProcess);
  }
  std::error_code ignored;
  std::filesystem::remove(FImpl->OutPath, ignored);
  std::filesystem::remove(FImpl->ErrPath, ignored);
}

bool TCliChild::Started() const {
  return FImpl->Started;
}

int TCliChild::Pid() const {
  return FImpl->Started ? static_cast<int>(FImpl->Process.dwProcessId) : -1;
}

void TCliChild::Stop() {
  if (!FImpl->Started || FImpl->Ended) return;
  // Ctrl+Break needs a console shared with the child; the named event does not.
  ::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, FImpl->Process.dwProcessId);
  const std::wstring name = platform::StopEventName(static_cast<int>(FImpl->Process.dwProcessId));
  HANDLE event = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str());
  if (event != nullptr) {
    ::SetEvent(event);
    ::CloseHandle(event);
  }
}

int TCliChild::Wait(int timeoutMs) {
  if (!FImpl->Started) return -1;
  if (!FImpl->Ended) {
    if (::WaitForSingleObject(FImpl->Process.hProcess, static_cast<DWORD>(timeoutMs)) !=
        WAIT_OBJECT_0)
      return -1;
    DWORD code = 0;
    ::GetExitCodeProcess(FImpl->Process.hProcess, &code);
    FImpl->Ended = true;
    FImpl->ExitCode = static_cast<int>(code);
  }
  return FImpl->ExitCode;
}

std::string TCliChild::Out() const {
  return ReadFile(FImpl->OutPath);
}

std::string TCliChild::Err() const {
  return ReadFile(FImpl->ErrPath);
}

}  // namespace danvore::test
