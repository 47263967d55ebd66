// Helpers of the simulator tests: request payloads as the bridge packs them,
// frames built and checked with the bridge's own TProtocol, a scripted
// channel, a loopback TCP client and a temporary folder.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "core/bytes.h"
#include "ecr-sim/frame_codec.h"
#include "encoding/codec.h"
#include "link/ecr_command.h"
#include "link/protocol.h"
#include "platform/byte_channel.h"
#include "platform/socket.h"
#include "support/wait_until.h"

namespace danvore::sim::test {

inline void PutBig(TBytes& p, std::size_t offset, std::size_t size, std::uint64_t value) {
  for (std::size_t i = 0; i < size; ++i) {
    p[offset + size - 1 - i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

inline void PutText(TBytes& p, std::size_t offset, std::size_t size, const std::string& text) {
  const TBytes bytes = GccEncode().GreekBytes(text);
  for (std::size_t i = 0; i < bytes.size() && i < size; ++i)
    p[offset + i] = bytes[i];
}

inline TBytes Text(const std::string& text) {
  return GccEncode().GreekBytes(text);
}

// Sale (S) or refund (R) of 10004: quantity in thousandths, price in cents.
inline TBytes ItemPayload(char type, std::int64_t quantity, std::int64_t price,
                          const std::string& text, std::uint8_t saleNumber = 1) {
  TBytes p(70, 0);
  p[0] = saleNumber;
  p[1] = static_cast<std::uint8_t>(type);
  PutBig(p, 3, 4, saleNumber);
  PutBig(p, 7, 5, static_cast<std::uint64_t>(quantity));
  PutBig(p, 12, 5, static_cast<std::uint64_t>(price));
  PutText(p, 17, 38, text);
  PutBig(p, 62, 5, static_cast<std::uint64_t>(price));
  return p;
}

inline TBytes SalePayload(std::int64_t price, const std::string& text = "ITEM") {
  return ItemPayload('S', 1000, price, text);
}

inline TBytes DiscountPayload(std::int64_t cents) {
  TBytes p(7, 0);
  p[1] = 'D';
  PutBig(p, 2, 5, static_cast<std::uint64_t>(cents));
  return p;
}

inline TBytes PercentPayload(std::int64_t hundredths) {
  TBytes p(6, 0);
  p[1] = 'M';
  PutBig(p, 2, 4, static_cast<std::uint64_t>(hundredths));
  return p;
}

inline TBytes LetterPayload(char letter) {
  return TBytes{1, static_cast<std::uint8_t>(letter)};
}

inline TBytes PaymentPayload(int mode, std::int64_t cents, const std::string& text = "") {
  TBytes p(24, 0);
  p[1] = 'F';
  p[2] = static_cast<std::uint8_t>(mode);
  PutBig(p, 3, 5, static_cast<std::uint64_t>(cents));
  PutText(p, 8, 16, text);
  return p;
}

inline TBytes ClerkPayload(int clerk, std::uint32_t password) {
  TBytes p(6, 0);
  PutBig(p, 0, 2, static_cast<std::uint64_t>(clerk));
  PutBig(p, 2, 4, password);
  return p;
}

// Three lines of `width` bytes; an absent line stays zero.
inline TBytes LinesPayload(std::size_t width, const std::vector<std::string>& lines) {
  TBytes p(3 * width, 0);
  for (std::size_t k = 0; k < lines.size() && k < 3; ++k)
    PutText(p, k * width, width, lines[k]);
  return p;
}

inline TBytes TablePayload(int first, int second = -1) {
  TBytes p(second < 0 ? 2 : 4, 0);
  PutBig(p, 0, 2, static_cast<std::uint64_t>(first));
  if (second >= 0) PutBig(p, 2, 2, static_cast<std::uint64_t>(second));
  return p;
}

inline const TEcrCommands& Table() {
  static const TEcrCommands table = [] {
    TEcrCommands commands;
    BuildCommandTable(commands);
    return commands;
  }();
  return table;
}

// The request as the bridge frames it.
inline TBytes RequestFrame(int id, std::uint32_t packNum, const TBytes& payload,
                           const std::string& ecrId = "123456") {
  TProtocol protocol(&Table());
  const TEcrCommand* row = Table().FindByID(id);
  if (row == nullptr) throw std::invalid_argument("no command " + std::to_string(id));
  protocol.hCmd.Assign(*row);
  protocol.PackNum = packNum;
  protocol.EcrID = ecrId;
  TBytes frame;
  protocol.PackBuffer(payload, static_cast<int>(payload.size()), frame);
  return frame;
}

// The bridge's verdict on gathered reply bytes for request `id`/`packNum`.
inline TCheckCode CheckReply(int id, std::uint32_t packNum, const TBytes& gathered,
                             TBytes& payload) {
  TProtocol protocol(&Table());
  protocol.bCommand = Table().FindByID(id)->Command;
  protocol.PackNum = packNum;
  return protocol.CheckData(gathered, payload);
}

// Cuts reply bytes into frames (the layout is the same both ways).
inline std::vector<TSimFrame> ParseFrames(const TBytes& bytes) {
  TRequestReader reader;
  reader.Append(bytes);
  std::vector<TSimFrame> frames;
  TSimFrame frame;
  while (reader.Next(frame))
    frames.push_back(frame);
  return frames;
}

// "ΛAΘOΣ <n>" in the register's character set, optionally after 0xFE.
inline TBytes ErrorText(int number, bool fe = false) {
  TBytes p = fe ? TBytes{0xFE} : TBytes{};
  const TBytes text = {0xCB, 0x41, 0xC8, 0x4F, 0xD3, 0x20};
  p.insert(p.end(), text.begin(), text.end());
  for (char c : std::to_string(number))
    p.push_back(static_cast<std::uint8_t>(c));
  return p;
}

using danvore::test::WaitUntil;

// A connection whose input is a script; it records what the register
// writes and ends (reads as closed) when the script is used up.
class TScriptedChannel : public platform::TByteChannel {
 public:
  using Clock = std::chrono::steady_clock;
  struct TWrite {
    TBytes Bytes;
    Clock::time_point At;
  };

  explicit TScriptedChannel(std::vector<TBytes> inputs, int peerBaud = 0)
      : FInputs(std::move(inputs)), FPeerBaud(peerBaud) {}

  platform::TReadStatus Read(std::vector<std::uint8_t>& out, int) override {
    if (Closed || FNext >= FInputs.size()) return platform::TReadStatus::rsClosed;
    const TBytes& chunk = FInputs[FNext++];
    out.insert(out.end(), chunk.begin(), chunk.end());
    return platform::TReadStatus::rsData;
  }
  bool Write(const std::uint8_t* data, std::size_t length) override {
    Writes.push_back(TWrite{TBytes(data, data + length), Clock::now()});
    return true;
  }
  void Close() noexcept override { Closed = true; }
  int PeerBaud() const override { return FPeerBaud; }
  void SetBaud(int baud) override { BaudChanges.push_back(baud); }

  TBytes Written() const {
    TBytes all;
    for (const TWrite& write : Writes)
      all.insert(all.end(), write.Bytes.begin(), write.Bytes.end());
    return all;
  }
  std::size_t UnreadInputs() const { return FInputs.size() - FNext; }

  std::vector<TWrite> Writes;
  std::vector<int> BaudChanges;
  bool Closed = false;

 private:
  std::vector<TBytes> FInputs;
  std::size_t FNext = 0;
  int FPeerBaud;
};

// The bridge's end of a loopback TCP connection.
class TTcpTestClient {
 public:
  explicit TTcpTestClient(std::uint16_t port) {
    std::string error;
    if (!platform::StartSocketLayer(error)) throw std::runtime_error(error);
    FClient.Connect("127.0.0.1", port, 10000);
  }
  ~TTcpTestClient() {
    FClient.Disconnect(true);
    platform::StopSocketLayer();
  }

  void Send(const TBytes& bytes) { FClient.Write(bytes.data(), bytes.size()); }

  // Reads until the gathered bytes hold `count` frames; false on time-out or
  // when the simulator closes the connection first.
  bool ReadFrames(std::size_t count, std::vector<TSimFrame>& frames, int timeoutMs = 15000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while ((frames = ParseFrames(Gathered)).size() < count) {
      if (std::chrono::steady_clock::now() > deadline || !ReadSome(100)) return false;
    }
    return true;
  }

  // True once the simulator has closed the connection.
  bool WaitClosed(int timeoutMs = 15000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
      if (!ReadSome(100)) return true;
    }
    return false;
  }

  TBytes Gathered;

 private:
  // False when the peer has closed.
  bool ReadSome(int waitMs) {
    if (!FClient.WaitReadable(waitMs)) return true;
    std::uint8_t buffer[4096];
    try {
      const std::size_t n = FClient.ReadAvailable(buffer, sizeof buffer);
      Gathered.insert(Gathered.end(), buffer, buffer + n);
      return true;
    } catch (const std::runtime_error&) {
      return false;
    }
  }

  platform::TTcpClient FClient;
};

// A folder of its own under the system's temporary folder, removed at the end.
class TTempDir {
 public:
  TTempDir() {
    std::random_device random;
    Path = std::filesystem::temp_directory_path() /
           ("danvore-sim-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(Path);
  }
  ~TTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(Path, ignored);
  }
  std::string File(const std::string& name) const { return (Path / name).string(); }

  std::filesystem::path Path;
};

inline std::string ReadFileText(const std::string& path) {
  std::string text;
  if (FILE* file = std::fopen(path.c_str(), "rb")) {
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
      text.append(buffer, n);
    std::fclose(file);
  }
  return text;
}

}  // namespace danvore::sim::test
