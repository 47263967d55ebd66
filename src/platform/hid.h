// The eight operations of the USB-HID device library, as a table so that
// tests can put a fake device behind the link. The library keeps the one open
// device itself.
#pragma once

#include <cstdint>
#include <functional>

namespace danvore::platform {

constexpr int kHidReadCapacity = 4096;  // room the reader must give
constexpr int kHidNameCapacity = 512;   // bytes of the device name buffer
constexpr int kHidErrorCapacity = 512;  // UTF-16 units of the error buffer

struct THidLibrary {
  // Non-zero: the device was opened.
  std::function<int(std::uint16_t ProductID, std::uint16_t VendorID)> OpenHid;
  std::function<void()> CloseHid;
  // Non-zero: a device is open.
  std::function<int()> IsHidActive;
  // Non-zero: such a device is attached.
  std::function<int(std::uint16_t ProductID, std::uint16_t VendorID)> IsHidDevDetect;
  // Reads into `dest` (kHidReadCapacity bytes of room) waiting at most
  // `timeoutMs`: bytes read, 0 when nothing came, negative on error.
  std::function<int(std::uint8_t* dest, int timeoutMs)> ReadHidDataAsync;
  // Writes `count` bytes of `source` from `offset`; non-zero when written.
  std::function<int(const std::uint8_t* source, int offset, int count, int timeoutMs)>
      WriteHidDataAsync;
  // Fills `dest` (kHidNameCapacity bytes) with the 8-bit product name;
  // returns its length.
  std::function<int(char* dest)> GetDeviceName;
  // Fills `dest` (kHidErrorCapacity units) with the last error text; returns
  // its length in units.
  std::function<int(char16_t* dest)> GetLastUserError;
};

// The system's HID stack (hidapi / the Windows HID API).
const THidLibrary& SystemHidLibrary();

}  // namespace danvore::platform
