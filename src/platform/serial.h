// Serial ports as the register link needs them: 8 data bits, no parity,
// 1 stop bit, no flow control, RTS and DTR held inactive, null bytes kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace danvore::platform {

class TSerialPort {
 public:
  TSerialPort();
  ~TSerialPort();
  TSerialPort(const TSerialPort&) = delete;
  TSerialPort& operator=(const TSerialPort&) = delete;

  // Opens `name` (COM3, COM12, /dev/ttyUSB0 ...) at any rate the system
  // accepts; throws std::runtime_error with the system's text on failure.
  void Open(const std::string& name, int baudRate);
  void Close() noexcept;
  bool IsOpen() const;

  // Blocks up to `timeoutMs` for input without using the processor, then
  // returns what is waiting (at most `capacity` bytes); 0 on time-out.
  // Throws std::runtime_error when the port fails.
  std::size_t Read(std::uint8_t* dest, std::size_t capacity, int timeoutMs);
  // Writes every byte within 100 ms per byte plus 1000 ms; throws
  // std::runtime_error on failure or time-out.
  void Write(const std::uint8_t* data, std::size_t count);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// True when the port exists, also when it is held open (by us or another).
bool ComPortPresent(const std::string& name);

// The serial ports of this machine for the settings window: sorted without
// regard to case, each once.
std::vector<std::string> ListSerialPorts();
// Sorts without regard to case (ties in byte order) and drops repeats.
void SortPortNames(std::vector<std::string>& names);

}  // namespace danvore::platform
