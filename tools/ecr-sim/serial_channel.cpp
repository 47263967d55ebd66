#include "ecr-sim/serial_channel.h"

#include <stdexcept>

namespace danvore::sim {

TSerialChannel::TSerialChannel(std::string device, int baud) : FDevice(std::move(device)) {
  FPort.Open(FDevice, baud);
}

platform::TReadStatus TSerialChannel::Read(std::vector<std::uint8_t>& out, int timeoutMs) {
  if (!FPort.IsOpen()) return platform::TReadStatus::rsClosed;
  std::uint8_t buffer[4096];
  try {
    const std::size_t n = FPort.Read(buffer, sizeof buffer, timeoutMs);
    if (n == 0) return platform::TReadStatus::rsTimeOut;
    out.insert(out.end(), buffer, buffer + n);
    return platform::TReadStatus::rsData;
  } catch (const std::runtime_error&) {
    return platform::TReadStatus::rsClosed;
  }
}

bool TSerialChannel::Write(const std::uint8_t* data, std::size_t length) {
  try {
    FPort.Write(data, length);
    return true;
  } catch (const std::runtime_error&) {
    return false;
  }
}

void TSerialChannel::SetBaud(int baud) {
  try {
    FPort.Open(FDevice, baud);
  } catch (const std::runtime_error&) {
    FPort.Close();
  }
}

}  // namespace danvore::sim
