// A fake fiscal register that speaks the wire protocol: it serves one
// connection at a time over TCP, a pseudo-terminal or a serial device in a
// background thread, executes requests on TRegisterState, answers them, and
// injects the faults it is told to.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ecr-sim/faults.h"
#include "ecr-sim/frame_codec.h"
#include "ecr-sim/frame_log.h"
#include "ecr-sim/journal.h"
#include "ecr-sim/register_state.h"

namespace danvore::platform {
class TByteChannel;
}

namespace danvore::sim {

struct TSimOptions {
  std::uint32_t EcrId = 1;   // the id the replies carry
  std::string JournalPath;   // where printed text is appended; empty: memory only
  std::string FramesPath;    // where every request is logged as a JSON line
  bool AllowRemote = false;  // listen on addresses other than loopback
  TRegisterSetup Setup;      // initial state, the probe speed included
  // Control lines run once at construction, in order (faults and the like).
  std::vector<std::string> Commands;
};

class TSimulator {
 public:
  // Throws std::invalid_argument when one of options.Commands is not understood.
  explicit TSimulator(TSimOptions options = {});
  ~TSimulator();
  TSimulator(const TSimulator&) = delete;
  TSimulator& operator=(const TSimulator&) = delete;

  // Each Start* throws std::runtime_error when the endpoint cannot be set up.
  // Listens on host:port (port 0 picks a free one) and returns the bound port.
  std::uint16_t StartTcp(const std::string& host, std::uint16_t port);
  // Opens a pseudo-terminal pair, points linkPath (when not empty) at its
  // slave and returns the slave's path.
  std::string StartPty(const std::string& linkPath);
  // Serves a real serial port at `baud`.
  void StartSerial(const std::string& device, int baud);
  // Stops serving and joins the threads; idempotent.
  void Stop();
  // Serves a connection that the caller opened, in the calling thread, until
  // the channel closes, a fault closes it, or Stop().
  void ServeConnection(platform::TByteChannel& channel);

  // Runs one text command (the same as on standard input); thread-safe.
  bool Control(const std::string& command, std::string* reply = nullptr);
  // The command "quit" came.
  bool QuitRequested() const;

  std::vector<TSimFrame> Requests() const;
  // Waits until at least `count` requests have arrived; false on time-out.
  bool WaitForRequests(std::size_t count, int timeoutMs) const;
  // Waits until at least `count` connections have been taken up.
  bool WaitForConnections(int count, int timeoutMs) const;
  std::string Journal() const;
  TRegisterState State() const;  // a copy
  std::uint16_t StatusWord() const;
  bool ReceiptOpen() const;
  std::int64_t ReceiptTotal() const;  // cents
  TDailyTotals DailyTotals() const;
  TTransferState Transfer() const;
  int LastClerk() const;
  std::size_t DroppedFrames() const;  // damaged requests ignored so far
  int Connections() const;
  std::string PtyPath() const;  // the slave the link points at now

 private:
  bool Handle(platform::TByteChannel& channel, const TSimFrame& frame);
  bool Send(platform::TByteChannel& channel, const TBytes& bytes, int splitGapMs);
  bool Pause(int ms) const;
  bool Stopping() const;

  TSimOptions FOptions;
  mutable std::mutex FMutex;
  mutable std::condition_variable FChanged;
  TRegisterState FState;
  TFaultPlan FFaults;
  TJournal FJournal;
  TFrameLog FFrameLog;
  std::vector<TSimFrame> FRequests;
  std::size_t FDropped = 0;
  int FConnections = 0;
  bool FQuit = false;
  bool FStopping = false;
  std::string FPtyPath;
  std::vector<std::thread> FThreads;
};

}  // namespace danvore::sim
