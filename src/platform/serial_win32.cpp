#include <windows.h>

#include <stdexcept>

#include "platform/serial.h"
#include "platform/syserror.h"
#include "platform/utf_win32.h"

namespace danvore::platform {

namespace {

// COM10 and above open only through the device namespace.
std::wstring DevicePath(const std::string& name) {
  const std::wstring wide = Utf8ToWide(name);
  return name.size() > 4 ? L"\\\\.\\" + wide : wide;
}

[[noreturn]] void ThrowLastError(const std::string& what) {
  throw std::runtime_error(what + ": " + LastSystemErrorText());
}

}  // namespace

struct TSerialPort::Impl {
  HANDLE handle = INVALID_HANDLE_VALUE;
  DWORD readTimeout = 0xFFFFFFFEu;  // none set yet

  void SetReadTimeout(int timeoutMs) {
    const DWORD wanted = timeoutMs < 0 ? 0 : static_cast<DWORD>(timeoutMs);
    if (wanted == readTimeout) return;
    COMMTIMEOUTS timeouts{};
    // MAXDWORD/MAXDWORD/n: return as soon as any byte is there, or after n ms.
    // MAXDWORD/0/0: return at once with what is there.
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = wanted == 0 ? 0 : MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = wanted;
    timeouts.WriteTotalTimeoutMultiplier = 100;
    timeouts.WriteTotalTimeoutConstant = 1000;
    if (!SetCommTimeouts(handle, &timeouts)) ThrowLastError("SetCommTimeouts");
    readTimeout = wanted;
  }
};

TSerialPort::TSerialPort() : impl_(std::make_unique<Impl>()) {}

TSerialPort::~TSerialPort() {
  Close();
}

void TSerialPort::Open(const std::string& name, int baudRate) {
  Close();
  HANDLE handle = CreateFileW(DevicePath(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) ThrowLastError("Open " + name);
  impl_->handle = handle;
  impl_->readTimeout = 0xFFFFFFFEu;
  try {
    SetupComm(handle, 1024, 1024);
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    if (!GetCommState(handle, &dcb)) ThrowLastError("GetCommState");
    dcb.BaudRate = static_cast<DWORD>(baudRate);
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(handle, &dcb)) ThrowLastError("SetCommState");
    impl_->SetReadTimeout(0);
    PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
  } catch (...) {
    Close();
    throw;
  }
}

void TSerialPort::Close() noexcept {
  if (impl_->handle == INVALID_HANDLE_VALUE) return;
  CloseHandle(impl_->handle);
  impl_->handle = INVALID_HANDLE_VALUE;
}

bool TSerialPort::IsOpen() const {
  return impl_->handle != INVALID_HANDLE_VALUE;
}

std::size_t TSerialPort::Read(std::uint8_t* dest, std::size_t capacity, int timeoutMs) {
  if (impl_->handle == INVALID_HANDLE_VALUE) throw std::runtime_error("Port not open");
  impl_->SetReadTimeout(timeoutMs);
  DWORD got = 0;
  const DWORD wanted = capacity > 0xFFFFu ? 0xFFFFu : static_cast<DWORD>(capacity);
  if (!ReadFile(impl_->handle, dest, wanted, &got, nullptr)) ThrowLastError("ReadFile");
  return got;
}

void TSerialPort::Write(const std::uint8_t* data, std::size_t count) {
  if (impl_->handle == INVALID_HANDLE_VALUE) throw std::runtime_error("Port not open");
  DWORD put = 0;
  if (!WriteFile(impl_->handle, data, static_cast<DWORD>(count), &put, nullptr)) {
    ThrowLastError("WriteFile");
  }
  if (put != count) throw std::runtime_error(SystemErrorText(ERROR_TIMEOUT));
}

bool ComPortPresent(const std::string& name) {
  if (name.empty()) return false;
  HANDLE handle =
      CreateFileW(DevicePath(name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_ACCESS_DENIED;
  CloseHandle(handle);
  return true;
}

std::vector<std::string> ListSerialPorts() {
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return names;
  }
  for (DWORD index = 0;; ++index) {
    wchar_t valueName[256];
    DWORD nameLength = 256;
    wchar_t data[256];
    DWORD dataSize = sizeof(data);
    DWORD type = 0;
    const LONG status = RegEnumValueW(key, index, valueName, &nameLength, nullptr, &type,
                                      reinterpret_cast<BYTE*>(data), &dataSize);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS || type != REG_SZ) continue;
    std::wstring port(data, dataSize / sizeof(wchar_t));
    while (!port.empty() && port.back() == L'\0')
      port.pop_back();
    if (!port.empty()) names.push_back(WideToUtf8(port));
  }
  RegCloseKey(key);
  SortPortNames(names);
  return names;
}

}  // namespace danvore::platform
