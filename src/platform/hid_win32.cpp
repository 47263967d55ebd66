#include <windows.h>

#include <setupapi.h>

extern "C" {
#include <hidsdi.h>
}

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/hid.h"
#include "platform/syserror.h"
#include "platform/utf_win32.h"

namespace danvore::platform {

namespace {

// Owns a handle; closes it when replaced or destroyed.
class THandle {
 public:
  explicit THandle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  ~THandle() { Reset(); }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  HANDLE Get() const { return h_; }
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  void Reset(HANDLE h = INVALID_HANDLE_VALUE) {
    if (Valid()) CloseHandle(h_);
    h_ = h;
  }

 private:
  HANDLE h_;
};

struct THidState {
  std::mutex lock;
  THandle device;
  THandle readEvent{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  THandle writeEvent{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  std::size_t inputReport = 0;
  std::size_t outputReport = 0;
  std::wstring lastError;

  void FailWithSystemError() { lastError = Utf8ToWide(LastSystemErrorText()); }
};

THidState& State() {
  static THidState state;
  return state;
}

bool Matches(const wchar_t* path, std::uint16_t productId, std::uint16_t vendorId) {
  THandle probe(
      CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!probe.Valid()) return false;
  HIDD_ATTRIBUTES attributes{};
  attributes.Size = sizeof(attributes);
  return HidD_GetAttributes(probe.Get(), &attributes) && attributes.VendorID == vendorId &&
         attributes.ProductID == productId;
}

// Device path of the first attached HID device with these ids; empty if none.
std::wstring FindDevice(std::uint16_t productId, std::uint16_t vendorId) {
  GUID hidGuid;
  HidD_GetHidGuid(&hidGuid);
  HDEVINFO set =
      SetupDiGetClassDevsW(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return {};
  std::wstring result;
  SP_DEVICE_INTERFACE_DATA item{};
  item.cbSize = sizeof(item);
  for (DWORD index = 0;
       result.empty() && SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, index, &item);
       ++index) {
    DWORD size = 0;
    SetupDiGetDeviceInterfaceDetailW(set, &item, nullptr, 0, &size, nullptr);
    if (size == 0) continue;
    std::vector<std::uint8_t> storage(size);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!SetupDiGetDeviceInterfaceDetailW(set, &item, detail, size, nullptr, nullptr)) continue;
    if (Matches(detail->DevicePath, productId, vendorId)) result = detail->DevicePath;
  }
  SetupDiDestroyDeviceInfoList(set);
  return result;
}

bool ReadCaps(HANDLE device, std::size_t& input, std::size_t& output) {
  PHIDP_PREPARSED_DATA preparsed = nullptr;
  if (!HidD_GetPreparsedData(device, &preparsed)) return false;
  HIDP_CAPS caps{};
  const bool ok = HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS;
  HidD_FreePreparsedData(preparsed);
  input = caps.InputReportByteLength;
  output = caps.OutputReportByteLength;
  return ok && input > 1 && output > 1;
}

// One overlapped transfer bounded by `timeoutMs`; the bytes moved, or -1.
long Transfer(HANDLE device, HANDLE event, bool reading, std::uint8_t* buffer, std::size_t size,
              int timeoutMs) {
  OVERLAPPED overlapped{};
  overlapped.hEvent = event;
  ResetEvent(event);
  const DWORD length = static_cast<DWORD>(size);
  const BOOL started = reading ? ReadFile(device, buffer, length, nullptr, &overlapped)
                               : WriteFile(device, buffer, length, nullptr, &overlapped);
  if (!started && GetLastError() != ERROR_IO_PENDING) return -1;
  const DWORD wait = timeoutMs < 0 ? 0 : static_cast<DWORD>(timeoutMs);
  if (WaitForSingleObject(event, wait) != WAIT_OBJECT_0) CancelIo(device);
  DWORD moved = 0;
  if (!GetOverlappedResult(device, &overlapped, &moved, TRUE)) {
    return GetLastError() == ERROR_OPERATION_ABORTED ? 0 : -1;
  }
  return static_cast<long>(moved);
}

int Open(std::uint16_t productId, std::uint16_t vendorId) {
  THidState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  s.device.Reset();
  const std::wstring path = FindDevice(productId, vendorId);
  if (path.empty()) {
    s.lastError = Utf8ToWide(SystemErrorText(ERROR_DEV_NOT_EXIST));
    return 0;
  }
  s.device.Reset(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OVERLAPPED, nullptr));
  if (!s.device.Valid()) {
    s.FailWithSystemError();
    return 0;
  }
  if (!ReadCaps(s.device.Get(), s.inputReport, s.outputReport)) {
    s.FailWithSystemError();
    s.device.Reset();
    return 0;
  }
  return 1;
}

void Close() {
  THidState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  s.device.Reset();
}

int Active() {
  THidState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.device.Valid() ? 1 : 0;
}

int Detect(std::uint16_t productId, std::uint16_t vendorId) {
  return FindDevice(productId, vendorId).empty() ? 0 : 1;
}

int Read(std::uint8_t* dest, int timeoutMs) {
  THidState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  if (!s.device.Valid()) {
    s.lastError = L"Device not open";
    return -1;
  }
  std::vector<std::uint8_t> report(s.inputReport);
  const long got =
      Transfer(s.device.Get(), s.readEvent.Get(), true, report.data(), report.size(), timeoutMs);
  if (got < 0) {
    s.FailWithSystemError();
    return -1;
  }
  if (got <= 1) return 0;
  // The first byte is the report id; the caller wants the data only.
  const std::size_t data = std::min<std::size_t>(static_cast<std::size_t>(got) - 1,
                                                 static_cast<std::size_t>(kHidReadCapacity));
  std::memcpy(dest, report.data() + 1, data);
  return static_cast<int>(data);
}

int Write(const std::uint8_t* source, int offset, int count, int timeoutMs) {
  THidState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  if (!s.device.Valid()) {
    s.lastError = L"Device not open";
    return 0;
  }
  if (s.outputReport <= 1) {
    s.lastError = L"Device has no output report";
    return 0;
  }
  std::vector<std::uint8_t> report(s.outputReport);
  const std::size_t room = report.size() - 1;
  for (int done = 0; done < count;) {
    const std::size_t chunk = std::min(static_cast<std::size_t>(count - done), room);
    std::fill(report.begin(), report.end(), std::uint8_t{0});
    std::copy_n(source + offset + done, chunk, report.begin() + 1);
    const long put = Transfer(s.device.Get(), s.writeEvent.Get(), false, report.data(),
                              report.size(), timeoutMs);
    if (put != static_cast<long>(report.size())) {
      if (put < 0) {
        s.FailWithSystemError();
      } else {
        s.lastError = Utf8ToWide(SystemErrorText(ERROR_TIMEOUT));
      }
      return 0;
    }
    done += static_cast<int>(chunk);
  }
  return 1;
}

int Name(char* dest) {
  THidState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  if (!s.device.Valid()) return 0;
  wchar_t wide[kHidNameCapacity / 2] = {};
  if (!HidD_GetProductString(s.device.Get(), wide, sizeof(wide) - sizeof(wchar_t))) return 0;
  int length = 0;
  for (; length < kHidNameCapacity / 2 && wide[length] != 0; ++length) {
    dest[length] = wide[length] < 256 ? static_cast<char>(wide[length]) : '?';
  }
  return length;
}

int LastError(char16_t* dest) {
  THidState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  const int length = std::min<int>(static_cast<int>(s.lastError.size()), kHidErrorCapacity);
  for (int i = 0; i < length; ++i)
    dest[i] = static_cast<char16_t>(s.lastError[i]);
  return length;
}

}  // namespace

const THidLibrary& SystemHidLibrary() {
  static const THidLibrary library{Open, Close, Active, Detect, Read, Write, Name, LastError};
  return library;
}

}  // namespace danvore::platform
