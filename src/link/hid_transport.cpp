#include "link/hid_transport.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

#include "core/errors.h"
#include "core/format.h"
#include "link/transport_guard.h"

namespace danvore {

namespace {

constexpr int kReadTimeOutMs = 3000;

// Decimal text to a 32-bit integer, whole text or nothing.
std::int32_t StrToInt(const std::string& text) {
  std::int32_t value = 0;
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') ++first;
  const auto [end, error] = std::from_chars(first, last, value);
  if (text.empty() || error != std::errc() || end != last) {
    throw EConnect(Format("'%s' is not a valid integer value", text));
  }
  return value;
}

}  // namespace

THidTransport::THidTransport(const TConnParams& Params, platform::THidLibrary Library)
    : FParams(Params), FHid(std::move(Library)) {}

void THidTransport::Open() {
  const std::int32_t product = StrToInt(FParams.Host);
  const auto vendor = static_cast<std::uint32_t>(FParams.Port);
  if (!FHid.IsDeviceExists(static_cast<std::uint32_t>(product), vendor)) {
    throw EConnect(SysErrorMessage(ERROR_BAD_UNIT_CODE));
  }
  FHid.Close();
  FHid.ProductID = static_cast<std::uint32_t>(product);
  FHid.VendorID = vendor;
  AsEConnect([&] { FHid.Open(); });
}

void THidTransport::Close() noexcept {
  try {
    FHid.Close();
  } catch (...) {
    // A library that fails while closing leaves nothing for us to undo.
  }
}

void THidTransport::WriteFrame(const TWriteArgs& Args) {
  if (!FHid.IsDeviceExists(FHid.ProductID, FHid.VendorID)) {
    throw EConnect(SysErrorMessage(ERROR_DEVICE_NOT_CONNECTED_CODE));
  }
  CheckAppRunning();
  const int count = std::clamp(Args.Count, 0, static_cast<int>(Args.Buffer.size()));
  AsEConnect([&] { FHid.WriteData(Args.Buffer.data(), 0, count); });
}

TBytes THidTransport::ReadAvailable() {
  if (!FHid.IsDeviceExists(FHid.ProductID, FHid.VendorID)) {
    throw EConnect(SysErrorMessage(ERROR_BAD_UNIT_CODE));
  }
  CheckAppRunning();
  std::array<std::uint8_t, platform::kHidReadCapacity> buffer{};
  const int got = AsEConnect([&] { return FHid.ReadDataAsync(buffer.data(), kReadTimeOutMs); });
  if (got <= 0) return TBytes();
  return TBytes(buffer.begin(), buffer.begin() + got);
}

}  // namespace danvore
