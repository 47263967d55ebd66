// A real serial port as the register's end of the line.
#pragma once

#include <string>

#include "platform/byte_channel.h"
#include "platform/serial.h"

namespace danvore::sim {

class TSerialChannel : public platform::TByteChannel {
 public:
  // Throws std::runtime_error when the port cannot be opened.
  TSerialChannel(std::string device, int baud);

  platform::TReadStatus Read(std::vector<std::uint8_t>& out, int timeoutMs) override;
  bool Write(const std::uint8_t* data, std::size_t length) override;
  void Close() noexcept override { FPort.Close(); }
  // Reopens the port at the new speed; a failure leaves it closed, which
  // ends the connection.
  void SetBaud(int baud) override;

 private:
  std::string FDevice;
  platform::TSerialPort FPort;
};

}  // namespace danvore::sim
