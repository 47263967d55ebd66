// Shared pieces of the link tests: reply frames built independently of the
// production encoder, a scripted transport with a fake clock, log capture,
// the check that a transport gives up once the application shuts down.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/bytes.h"
#include "core/config.h"
#include "core/result.h"
#include "link/econnect.h"
#include "link/transport.h"
#include "support/log_capture.h"
#include "support/register_frame.h"

namespace danvore::test {

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

// Once the application shuts down, a write and a read each fail with
// "User Canceled".
inline void ExpectWriteAndReadCanceled(ITransport& transport) {
  for (int step = 0; step < 2; ++step) {
    try {
      if (step == 0) {
        transport.WriteFrame(TWriteArgs{TBytes{9}, 1, 500});
      } else {
        transport.ReadAvailable();
      }
      ADD_FAILURE() << "step " << step << " succeeded";
    } catch (const EConnect& error) {
      EXPECT_EQ(std::string(error.what()), "User Canceled");
    }
  }
}

// Marks the application as running for the test's duration.
class TAppRunning {
 public:
  explicit TAppRunning(bool running = true) { GetConfig().AppRunning = running; }
  ~TAppRunning() { GetConfig().AppRunning = false; }
  TAppRunning(const TAppRunning&) = delete;
  TAppRunning& operator=(const TAppRunning&) = delete;
};

}  // namespace danvore::test
