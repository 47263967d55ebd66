// One running copy per program folder: the named mutex refuses a second
// holder, in this process and in another one, and is free again once the
// holder is gone.
#include "platform/instance_lock.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/fs.h"
#include "platform/utf_win32.h"

namespace danvore::platform {
namespace {

std::string UniqueName(const char* what) {
  return std::string("DANVORE-test-") + what + "-" + std::to_string(::GetCurrentProcessId());
}

const char* StateName(TLockState state) {
  switch (state) {
    case TLockState::Acquired:
      return "Acquired";
    case TLockState::Busy:
      return "Busy";
    case TLockState::Failed:
      return "Failed";
  }
  return "?";
}

// The probe runs in a child copy of this program: it takes the lock named by
// the parent and checks the state the parent expects.
constexpr const wchar_t* kProbeKind = L"DANVORE_LOCK_PROBE_KIND";
constexpr const wchar_t* kProbeTarget = L"DANVORE_LOCK_PROBE_TARGET";
constexpr const wchar_t* kProbeExpect = L"DANVORE_LOCK_PROBE_EXPECT";

std::string Environment(const wchar_t* name) {
  wchar_t value[1024] = {};
  const DWORD n = ::GetEnvironmentVariableW(name, value, 1024);
  return n == 0 || n >= 1024 ? std::string() : WideToUtf8(std::wstring(value, n));
}

TInstanceLock Take(const std::string& kind, const std::string& target) {
  return kind == "folder" ? TInstanceLock::ForFolder(target) : TInstanceLock::Named(target);
}

TEST(InstanceLockProbe, HasTheStateTheParentExpects) {
  const std::string kind = Environment(kProbeKind);
  if (kind.empty()) GTEST_SKIP() << "only run as the child of a lock test";
  const std::string target = Environment(kProbeTarget);
  const TInstanceLock lock = Take(kind, target);
  EXPECT_STREQ(StateName(lock.State()), Environment(kProbeExpect).c_str()) << target;
}

// Runs the probe in a new process; true when it saw the expected state.
bool ProbeInChild(const std::string& kind, const std::string& target, TLockState expect) {
  ::SetEnvironmentVariableW(kProbeKind, Utf8ToWide(kind).c_str());
  ::SetEnvironmentVariableW(kProbeTarget, Utf8ToWide(target).c_str());
  ::SetEnvironmentVariableW(kProbeExpect, Utf8ToWide(StateName(expect)).c_str());
  std::wstring commandLine = L"\"" + Utf8ToWide(ExecutablePath()) +
                             L"\" --gtest_filter=InstanceLockProbe.* --gtest_brief=1";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const BOOL started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &process);
  ::SetEnvironmentVariableW(kProbeKind, nullptr);
  if (!started) return false;
  DWORD exitCode = 1;
  if (::WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
    ::GetExitCodeProcess(process.hProcess, &exitCode);
  else
    ::TerminateProcess(process.hProcess, 1);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return exitCode == 0;
}

TEST(WindowsInstanceLockTest, ASecondHolderInThisProcessIsRefusedUntilTheFirstIsGone) {
  const std::string name = UniqueName("named");
  {
    const TInstanceLock first = TInstanceLock::Named(name);
    ASSERT_EQ(first.State(), TLockState::Acquired) << first.ErrorText();
    EXPECT_TRUE(first.ErrorText().empty());
    const TInstanceLock second = TInstanceLock::Named(name);
    EXPECT_EQ(second.State(), TLockState::Busy);
    EXPECT_FALSE(second.Acquired());
  }
  EXPECT_EQ(TInstanceLock::Named(name).State(), TLockState::Acquired);
}

TEST(WindowsInstanceLockTest, MovedLockStaysHeld) {
  const std::string name = UniqueName("moved");
  TInstanceLock first = TInstanceLock::Named(name);
  ASSERT_TRUE(first.Acquired());
  const TInstanceLock moved = std::move(first);
  EXPECT_TRUE(moved.Acquired());
  EXPECT_EQ(TInstanceLock::Named(name).State(), TLockState::Busy);
}

TEST(WindowsInstanceLockTest, OneFolderHowEverItIsWrittenHasOneLock) {
  const std::string folder = "C:\\Danvore-" + std::to_string(::GetCurrentProcessId()) + "\\Ταμείο";
  const TInstanceLock held = TInstanceLock::ForFolder(folder);
  ASSERT_TRUE(held.Acquired()) << held.ErrorText();
  const std::string pid = std::to_string(::GetCurrentProcessId());
  const struct {
    std::string Spelling;
    TLockState Expect;
  } cases[] = {
      {folder, TLockState::Busy},
      {folder + "\\", TLockState::Busy},
      {"c:/danvore-" + pid + "/ΤΑΜΕΊΟ/", TLockState::Busy},
      {"C:\\Danvore-" + pid + "\\Other\\..\\Ταμείο", TLockState::Busy},
      {"C:\\Danvore-" + pid + "\\Ταμείο 2", TLockState::Acquired},
      {"D:\\Danvore-" + pid + "\\Ταμείο", TLockState::Acquired},
  };
  for (const auto& c : cases)
    EXPECT_STREQ(StateName(TInstanceLock::ForFolder(c.Spelling).State()), StateName(c.Expect))
        << c.Spelling;
}

TEST(WindowsInstanceLockTest, AnotherProcessIsRefusedWhileTheLockIsHeld) {
  const struct {
    std::string Kind;
    std::string Target;
  } cases[] = {
      {"named", UniqueName("cross")},
      {"folder", "Z:\\tmp\\Παραγγελίες-" + std::to_string(::GetCurrentProcessId())},
  };
  for (const auto& c : cases) {
    {
      const TInstanceLock held = Take(c.Kind, c.Target);
      ASSERT_TRUE(held.Acquired()) << c.Target;
      EXPECT_TRUE(ProbeInChild(c.Kind, c.Target, TLockState::Busy)) << c.Target;
    }
    // Released here; the child takes it, and gives it back by ending.
    EXPECT_TRUE(ProbeInChild(c.Kind, c.Target, TLockState::Acquired)) << c.Target;
    EXPECT_EQ(Take(c.Kind, c.Target).State(), TLockState::Acquired) << c.Target;
  }
}

}  // namespace
}  // namespace danvore::platform
