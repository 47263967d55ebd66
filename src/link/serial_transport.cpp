#include "link/serial_transport.h"

#include <algorithm>
#include <array>

#include "core/errors.h"
#include "core/logger.h"
#include "link/transport_guard.h"
#include "platform/clock.h"

namespace danvore {

namespace {

// A read ends once the line has been quiet for longer than this.
constexpr int kQuietMs = 70;
constexpr std::size_t kReadChunk = 1024;

}  // namespace

TSerialTransport::TSerialTransport(const TConnParams& Params) : FParams(Params) {}

void TSerialTransport::Open() {
  if (!platform::ComPortPresent(FParams.Host)) {
    throw EConnect(SysErrorMessage(ERROR_BAD_UNIT_CODE));
  }
  FPort.Close();
  AsEConnect([&] { FPort.Open(FParams.Host, FParams.Port); });
  WriteLog(Format("Connected with Serial:%s:%d", FParams.Host, FParams.Port), llInfor);
}

void TSerialTransport::Close() noexcept {
  FPort.Close();
}

void TSerialTransport::WriteFrame(const TWriteArgs& Args) {
  if (!platform::ComPortPresent(FParams.Host)) {
    throw EConnect(SysErrorMessage(ERROR_DEVICE_NOT_CONNECTED_CODE));
  }
  CheckAppRunning();
  const std::size_t count = Args.Count < 0 ? 0 : static_cast<std::size_t>(Args.Count);
  AsEConnect([&] { FPort.Write(Args.Buffer.data(), std::min(count, Args.Buffer.size())); });
}

TBytes TSerialTransport::ReadAvailable() {
  TBytes result;
  std::array<std::uint8_t, kReadChunk> chunk{};
  std::int64_t start = platform::MonotonicMs();
  while (result.size() < kMaxReadBytes) {
    // Waits in the system until a byte comes or the quiet time is over.
    const std::int64_t left = kQuietMs + 1 - (platform::MonotonicMs() - start);
    if (left <= 0) break;
    if (!platform::ComPortPresent(FParams.Host)) {
      throw EConnect(SysErrorMessage(ERROR_BAD_UNIT_CODE));
    }
    CheckAppRunning();
    const std::size_t got =
        AsEConnect([&] { return FPort.Read(chunk.data(), chunk.size(), static_cast<int>(left)); });
    if (got > 0) {
      result.insert(result.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got));
      start = platform::MonotonicMs();
    }
  }
  return result;
}

}  // namespace danvore
