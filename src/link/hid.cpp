#include "link/hid.h"

#include <array>
#include <stdexcept>
#include <utility>

#include "core/trim.h"
#include "platform/utf.h"

namespace danvore {

namespace {

std::uint16_t Id16(std::uint32_t id) {
  return static_cast<std::uint16_t>(id & 0xFFFFu);
}

}  // namespace

THid::THid(platform::THidLibrary Library) : FLibrary(std::move(Library)) {}

bool THid::IsDeviceExists(std::uint32_t AProductID, std::uint32_t AVendorID) const {
  return FLibrary.IsHidDevDetect(Id16(AProductID), Id16(AVendorID)) != 0;
}

void THid::Open() {
  if (Active()) return;
  if (FLibrary.OpenHid(Id16(ProductID), Id16(VendorID)) == 0) {
    throw std::runtime_error(GetLastHidError());
  }
}

void THid::Close() {
  if (Active()) FLibrary.CloseHid();
}

int THid::ReadDataAsync(std::uint8_t* PDest, int TimeOut) {
  const int got = FLibrary.ReadHidDataAsync(PDest, TimeOut);
  if (got < 0) throw std::runtime_error(GetLastHidError());
  // A library that claims more than the room it was given is not believed.
  return got > platform::kHidReadCapacity ? platform::kHidReadCapacity : got;
}

bool THid::WriteData(const std::uint8_t* PDest, int Offset, int Count) {
  if (FLibrary.WriteHidDataAsync(PDest, Offset, Count, static_cast<int>(WriteTimeOut)) == 0) {
    throw std::runtime_error(GetLastHidError());
  }
  return true;
}

std::string THid::GetLastHidError() const {
  std::array<char16_t, platform::kHidErrorCapacity> text{};
  int length = FLibrary.GetLastUserError(text.data());
  if (length < 0) length = 0;
  if (length > platform::kHidErrorCapacity) length = platform::kHidErrorCapacity;
  const std::u16string_view message(text.data(), static_cast<std::size_t>(length));
  return platform::Utf16ToUtf8(std::u16string(TrimControls(message)));
}

void THid::ClearInputBuffer() {
  std::array<std::uint8_t, platform::kHidReadCapacity> scratch{};
  while (FLibrary.ReadHidDataAsync(scratch.data(), 50) > 0) {
  }
}

bool THid::Active() const {
  return FLibrary.IsHidActive() != 0;
}

std::string THid::ProductName() const {
  if (!Active()) return std::string();
  std::array<char, platform::kHidNameCapacity> name{};
  const int length = FLibrary.GetDeviceName(name.data());
  if (length <= 0) return std::string();
  return std::string(name.data(), static_cast<std::size_t>(length < platform::kHidNameCapacity
                                                               ? length
                                                               : platform::kHidNameCapacity));
}

}  // namespace danvore
