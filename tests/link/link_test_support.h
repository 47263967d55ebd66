// Shared pieces of the link tests: reply frames built independently of the
// production encoder, a scripted transport with a fake clock, log capture.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/bytes.h"
#include "core/config.h"
#include "core/logger.h"
#include "core/result.h"
#include "link/econnect.h"
#include "link/transport.h"

namespace danvore::test {

inline std::uint16_t Crc(const TBytes& data) {
  std::uint16_t crc = 0;
  for (const std::uint8_t byte : data) {
    crc ^= static_cast<std::uint16_t>(byte << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x8000) != 0 ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                : static_cast<std::uint16_t>(crc << 1);
    }
  }
  return crc;
}

// A frame as the register sends it.
inline TBytes Frame(std::uint16_t code, std::uint32_t packNum, const TBytes& payload = {},
                    std::uint32_t ecrId = 123456) {
  TBytes frame = {0xAA,
                  0x03,
                  static_cast<std::uint8_t>(code >> 8),
                  static_cast<std::uint8_t>(code),
                  static_cast<std::uint8_t>(packNum >> 24),
                  static_cast<std::uint8_t>(packNum >> 16),
                  static_cast<std::uint8_t>(packNum >> 8),
                  static_cast<std::uint8_t>(packNum),
                  static_cast<std::uint8_t>(ecrId >> 24),
                  static_cast<std::uint8_t>(ecrId >> 16),
                  static_cast<std::uint8_t>(ecrId >> 8),
                  static_cast<std::uint8_t>(ecrId),
                  static_cast<std::uint8_t>(payload.size() >> 8),
                  static_cast<std::uint8_t>(payload.size()),
                  0};
  std::uint8_t sum = 0;
  for (const std::uint8_t byte : frame)
    sum = static_cast<std::uint8_t>(sum + byte);
  frame.push_back(sum);
  if (!payload.empty()) {
    frame.insert(frame.end(), payload.begin(), payload.end());
    const std::uint16_t crc = Crc(payload);
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    frame.push_back(static_cast<std::uint8_t>(crc));
  }
  return frame;
}

inline TBytes Concat(TBytes a, const TBytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline std::uint16_t FrameCode(const TBytes& frame) {
  return static_cast<std::uint16_t>((frame.at(2) << 8) | frame.at(3));
}
inline std::uint32_t FramePackNum(const TBytes& frame) {
  return (static_cast<std::uint32_t>(frame.at(4)) << 24) | (frame.at(5) << 16) |
         (frame.at(6) << 8) | frame.at(7);
}
inline TBytes FramePayload(const TBytes& frame) {
  const std::size_t length = (static_cast<std::size_t>(frame.at(12)) << 8) | frame.at(13);
  return TBytes(frame.begin() + 16, frame.begin() + 16 + static_cast<std::ptrdiff_t>(length));
}

// One scripted read: bytes, or a failure of the given kind.
struct TReadStep {
  TReadStep(TBytes bytes = {}, int costMs = 0) : Bytes(std::move(bytes)), CostMs(costMs) {}
  static TReadStep ConnectFailure(std::string text) {
    TReadStep step;
    step.EConnectText = std::move(text);
    return step;
  }
  static TReadStep Failure(std::string text) {
    TReadStep step;
    step.ErrorText = std::move(text);
    return step;
  }

  TBytes Bytes;
  int CostMs = 0;  // fake time the read takes
  std::string EConnectText;
  std::string ErrorText;  // any other exception
};

// The wire behind the fake transport; lives in the test, outlives the link.
struct TFakeWire {
  std::int64_t Now = 0;
  int IdleReadCostMs = 100;  // fake time of a read that brings nothing
  std::vector<TBytes> Written;
  std::vector<TConnParams> Opened;
  int Closes = 0;
  std::deque<TReadStep> Reads;
  std::string OpenFailure;   // EConnect text of Open
  std::string WriteFailure;  // EConnect text of WriteFrame
  // Called after each write: what the register sends back (added to Reads).
  std::function<std::vector<TReadStep>(const TBytes& frame, const TConnParams& params)> Responder;

  std::int64_t Clock() const { return Now; }
};

class TFakeTransport : public ITransport {
 public:
  TFakeTransport(TFakeWire& wire, TConnParams params) : FWire(wire), FParams(std::move(params)) {}

  void Open() override {
    if (!FWire.OpenFailure.empty()) throw EConnect(FWire.OpenFailure);
    FWire.Opened.push_back(FParams);
  }
  void Close() noexcept override { ++FWire.Closes; }
  void WriteFrame(const TWriteArgs& Args) override {
    if (!FWire.WriteFailure.empty()) throw EConnect(FWire.WriteFailure);
    const TBytes frame(Args.Buffer.begin(), Args.Buffer.begin() + Args.Count);
    FWire.Written.push_back(frame);
    if (FWire.Responder) {
      for (TReadStep& step : FWire.Responder(frame, FParams))
        FWire.Reads.push_back(step);
    }
  }
  TBytes ReadAvailable() override {
    if (FWire.Reads.empty()) {
      FWire.Now += FWire.IdleReadCostMs;
      return TBytes();
    }
    TReadStep step = FWire.Reads.front();
    FWire.Reads.pop_front();
    FWire.Now += step.CostMs;
    if (!step.EConnectText.empty()) throw EConnect(step.EConnectText);
    if (!step.ErrorText.empty()) throw std::runtime_error(step.ErrorText);
    return step.Bytes;
  }

 private:
  TFakeWire& FWire;
  TConnParams FParams;
};

struct TLogLine {
  TLogLevel Level;
  std::string Text;
};

// Collects every log line while it lives.
class TLogCapture {
 public:
  TLogCapture() {
    SetLogTap([this](TLogLevel level, const std::string& text) {
      std::lock_guard<std::mutex> guard(FLock);
      FLines.push_back({level, text});
    });
  }
  ~TLogCapture() { SetLogTap(nullptr); }
  TLogCapture(const TLogCapture&) = delete;
  TLogCapture& operator=(const TLogCapture&) = delete;

  std::vector<TLogLine> Lines() const {
    std::lock_guard<std::mutex> guard(FLock);
    return FLines;
  }
  // Texts of the lines that start with `prefix`.
  std::vector<std::string> Starting(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const TLogLine& line : Lines()) {
      if (line.Text.rfind(prefix, 0) == 0) found.push_back(line.Text);
    }
    return found;
  }
  void Clear() {
    std::lock_guard<std::mutex> guard(FLock);
    FLines.clear();
  }

 private:
  mutable std::mutex FLock;
  std::vector<TLogLine> FLines;
};

// Marks the application as running for the test's duration.
class TAppRunning {
 public:
  explicit TAppRunning(bool running = true) { GetConfig().AppRunning = running; }
  ~TAppRunning() { GetConfig().AppRunning = false; }
  TAppRunning(const TAppRunning&) = delete;
  TAppRunning& operator=(const TAppRunning&) = delete;
};

}  // namespace danvore::test
