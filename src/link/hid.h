// THid: the USB-HID register device through the HID library's operations.
#pragma once

#include <cstdint>
#include <string>

#include "platform/hid.h"

namespace danvore {

class THid {
 public:
  explicit THid(platform::THidLibrary Library = platform::SystemHidLibrary());

  // True when the library sees such a device attached.
  bool IsDeviceExists(std::uint32_t AProductID, std::uint32_t AVendorID) const;
  // Opens ProductID/VendorID unless a device is open; throws
  // std::runtime_error with GetLastHidError when the library refuses.
  void Open();
  void Close();
  // Reads into PDest (platform::kHidReadCapacity bytes of room) waiting at
  // most TimeOut ms; 0 when nothing came; throws std::runtime_error with
  // GetLastHidError on a library error.
  int ReadDataAsync(std::uint8_t* PDest, int TimeOut);
  // Writes Count bytes of PDest from Offset within WriteTimeOut; throws
  // std::runtime_error with GetLastHidError when refused.
  bool WriteData(const std::uint8_t* PDest, int Offset, int Count);
  std::string GetLastHidError() const;
  // Reads away what waits, 50 ms per read, until a read brings nothing.
  void ClearInputBuffer();

  bool Active() const;
  // Empty when no device is open.
  std::string ProductName() const;

  std::uint32_t VendorID = 0;
  std::uint32_t ProductID = 0;
  std::uint32_t WriteTimeOut = 3000;

 private:
  platform::THidLibrary FLibrary;
};

}  // namespace danvore
