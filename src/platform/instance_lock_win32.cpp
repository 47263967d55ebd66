#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "platform/instance_lock.h"
#include "platform/syserror.h"
#include "platform/utf_win32.h"

namespace danvore::platform {

struct TInstanceLock::Impl {
  explicit Impl(HANDLE mutex) : Mutex(mutex) {}
  // The mutex is gone once its last handle is closed.
  ~Impl() { ::CloseHandle(Mutex); }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;
  HANDLE Mutex;
};

namespace {

struct TLockAttempt {
  std::unique_ptr<TInstanceLock::Impl> Impl;
  TLockState State = TLockState::Failed;
  std::string ErrorText;
};

TLockAttempt CreateNamedMutex(const std::wstring& name) {
  TLockAttempt attempt;
  HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
  const DWORD error = ::GetLastError();
  if (mutex == nullptr) {
    attempt.ErrorText = SystemErrorText(static_cast<int>(error));
    return attempt;
  }
  attempt.Impl = std::make_unique<TInstanceLock::Impl>(mutex);
  if (error == ERROR_ALREADY_EXISTS) {
    attempt.State = TLockState::Busy;
    attempt.Impl.reset();
  } else {
    attempt.State = TLockState::Acquired;
  }
  return attempt;
}

// The folder's full path, lower case (Windows paths ignore case).
std::wstring NormalisedFolder(const std::string& folder) {
  const std::wstring wide = Utf8ToWide(folder);
  std::wstring full(MAX_PATH, L'\0');
  DWORD n = ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (n > full.size()) {
    full.resize(n);
    n = ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  full.resize(n == 0 ? 0 : n);
  if (full.empty()) full = wide;
  while (!full.empty() && (full.back() == L'\\' || full.back() == L'/'))
    full.pop_back();
  ::CharLowerBuffW(full.data(), static_cast<DWORD>(full.size()));
  return full;
}

// 64-bit FNV-1a over the UTF-16 code units.
std::uint64_t Fnv1a(const std::wstring& text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const wchar_t c : text) {
    hash ^= static_cast<std::uint16_t>(c) & 0xFF;
    hash *= 1099511628211ull;
    hash ^= static_cast<std::uint16_t>(c) >> 8;
    hash *= 1099511628211ull;
  }
  return hash;
}

}  // namespace

TInstanceLock::TInstanceLock(std::unique_ptr<Impl> impl, TLockState state, std::string errorText)
    : FImpl(std::move(impl)), FState(state), FErrorText(std::move(errorText)) {}

TInstanceLock::TInstanceLock(TInstanceLock&&) noexcept = default;
TInstanceLock& TInstanceLock::operator=(TInstanceLock&&) noexcept = default;
TInstanceLock::~TInstanceLock() = default;

TInstanceLock TInstanceLock::ForFolder(const std::string& folder) {
  wchar_t name[64];
  std::swprintf(name, 64, L"DANVORE-%016llx",
                static_cast<unsigned long long>(Fnv1a(NormalisedFolder(folder))));
  TLockAttempt attempt = CreateNamedMutex(name);
  return TInstanceLock(std::move(attempt.Impl), attempt.State, std::move(attempt.ErrorText));
}

TInstanceLock TInstanceLock::Named(const std::string& name) {
  TLockAttempt attempt = CreateNamedMutex(Utf8ToWide(name));
  return TInstanceLock(std::move(attempt.Impl), attempt.State, std::move(attempt.ErrorText));
}

}  // namespace danvore::platform
