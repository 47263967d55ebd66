#include <hidapi/hidapi.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <mutex>
#include <string>
#include <vector>

#include "platform/hid.h"

namespace danvore::platform {

namespace {

// Devices without numbered reports: report id 0, then this many data bytes.
constexpr std::size_t kReportSize = 64;

struct THidState {
  std::mutex lock;
  hid_device* device = nullptr;
  std::wstring lastError;
  bool initialised = false;

  bool Init() {
    if (!initialised) initialised = hid_init() == 0;
    if (!initialised) lastError = L"HID layer could not start";
    return initialised;
  }
  void Fail(const wchar_t* fallback) {
    const wchar_t* text = hid_error(device);
    lastError = text != nullptr ? text : fallback;
  }
};

THidState& State() {
  static THidState state;
  return state;
}

int Open(std::uint16_t productId, std::uint16_t vendorId) {
  THidState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  if (!s.Init()) return 0;
  if (s.device != nullptr) hid_close(s.device);
  s.device = hid_open(vendorId, productId, nullptr);
  if (s.device == nullptr) {
    const wchar_t* text = hid_error(nullptr);
    s.lastError = text != nullptr ? text : L"Device not found";
    return 0;
  }
  return 1;
}

void Close() {
  THidState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  if (s.device != nullptr) hid_close(s.device);
  s.device = nullptr;
}

int Active() {
  THidState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.device != nullptr ? 1 : 0;
}

int Detect(std::uint16_t productId, std::uint16_t vendorId) {
  THidState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  if (!s.Init()) return 0;
  hid_device_info* found = hid_enumerate(vendorId, productId);
  hid_free_enumeration(found);
  return found != nullptr ? 1 : 0;
}

int Read(std::uint8_t* dest, int timeoutMs) {
  THidState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  if (s.device == nullptr) {
    s.lastError = L"Device not open";
    return -1;
  }
  const int got = hid_read_timeout(s.device, dest, kHidReadCapacity, timeoutMs);
  if (got < 0) s.Fail(L"Read failed");
  return got;
}

int Write(const std::uint8_t* source, int offset, int count, int) {
  THidState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  if (s.device == nullptr) {
    s.lastError = L"Device not open";
    return 0;
  }
  std::vector<std::uint8_t> report(kReportSize + 1);
  for (int done = 0; done < count;) {
    const int chunk = std::min<int>(count - done, static_cast<int>(kReportSize));
    std::fill(report.begin(), report.end(), std::uint8_t{0});
    std::memcpy(report.data() + 1, source + offset + done, static_cast<std::size_t>(chunk));
    if (hid_write(s.device, report.data(), report.size()) < 0) {
      s.Fail(L"Write failed");
      return 0;
    }
    done += chunk;
  }
  return 1;
}

int Name(char* dest) {
  THidState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  if (s.device == nullptr) return 0;
  wchar_t wide[kHidNameCapacity] = {};
  if (hid_get_product_string(s.device, wide, kHidNameCapacity - 1) != 0) return 0;
  int length = 0;
  for (; length < kHidNameCapacity && wide[length] != 0; ++length) {
    dest[length] = wide[length] < 256 ? static_cast<char>(wide[length]) : '?';
  }
  return length;
}

int LastError(char16_t* dest) {
  THidState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  int length = 0;
  for (const wchar_t c : s.lastError) {
    if (length >= kHidErrorCapacity) break;
    dest[length++] = c < 0x10000 ? static_cast<char16_t>(c) : u'?';
  }
  return length;
}

}  // namespace

const THidLibrary& SystemHidLibrary() {
  static const THidLibrary library{Open, Close, Active, Detect, Read, Write, Name, LastError};
  return library;
}

}  // namespace danvore::platform
