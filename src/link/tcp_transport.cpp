#include "link/tcp_transport.h"

#include <algorithm>

#include "core/errors.h"
#include "core/logger.h"
#include "link/transport_guard.h"
#include "platform/network.h"

namespace danvore {

namespace {

constexpr int kConnectTimeOutMs = 1000;
constexpr int kKeepAliveIdleMs = 3000;
constexpr int kKeepAliveIntervalMs = 500;
constexpr int kReadableWaitMs = 200;

}  // namespace

TTcpTransport::TTcpTransport(const TConnParams& Params) : FParams(Params) {}

void TTcpTransport::Open() {
  if (!platform::NetworkAvailable(FParams.Host)) {
    throw EConnect(SysErrorMessage(ERROR_NO_NETWORK_CODE));
  }
  FClient.Disconnect(FClient.Connected());
  const auto port = static_cast<std::uint16_t>(FParams.Port & 0xFFFF);
  AsEConnect([&] { FClient.Connect(FParams.Host, port, kConnectTimeOutMs); });
  std::string error;
  if (!FClient.EnableKeepAlive(error)) {
    WriteLog("setsockopt:SO_KEEPALIVE Fail" + error, llError);
  }
  if (!FClient.SetKeepAliveTimes(kKeepAliveIdleMs, kKeepAliveIntervalMs, error)) {
    WriteLog("WSAIoctl:KeepAliveTime Fail" + error, llError);
  }
  WriteLog(Format("Connected with TCPClient:%s:%d", FParams.Host, FParams.Port), llInfor);
}

void TTcpTransport::Close() noexcept {
  FClient.Disconnect(FClient.Connected());
}

void TTcpTransport::WriteFrame(const TWriteArgs& Args) {
  if (!FClient.Connected()) throw EConnect(SysErrorMessage(ERROR_DEVICE_NOT_CONNECTED_CODE));
  CheckAppRunning();
  const std::size_t count = Args.Count < 0 ? 0 : static_cast<std::size_t>(Args.Count);
  AsEConnect([&] { FClient.Write(Args.Buffer.data(), std::min(count, Args.Buffer.size())); });
}

TBytes TTcpTransport::ReadAvailable() {
  if (!platform::NetworkAvailable(FParams.Host)) {
    throw EConnect(SysErrorMessage(ERROR_NO_NETWORK_CODE));
  }
  if (!FClient.Connected()) throw EConnect(SysErrorMessage(ERROR_DEVICE_NOT_CONNECTED_CODE));
  CheckAppRunning();
  if (!FClient.WaitReadable(kReadableWaitMs)) return TBytes();
  FScratch.resize(kMaxReadBytes);
  const std::size_t got =
      AsEConnect([&] { return FClient.ReadAvailable(FScratch.data(), FScratch.size()); });
  return TBytes(FScratch.begin(), FScratch.begin() + static_cast<std::ptrdiff_t>(got));
}

}  // namespace danvore
