#include "ecr-sim/simulator.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "ecr-sim/control.h"
#include "ecr-sim/serial_channel.h"
#include "platform/byte_channel.h"
#include "platform/listener.h"
#include "platform/process_kill.h"
#include "platform/pty.h"

namespace danvore::sim {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPollMs = 50;
// A frame left incomplete this long is noise: the next one starts afresh.
constexpr auto kPartialFrameLifetime = std::chrono::milliseconds(1000);
constexpr int kReopenPauseMs = 200;
// Line noise before a reply; holds no start pair.
const TBytes kGarbage = {0x00, 0x55, 0xFF, 0x13, 0x37, 0x0D, 0x0A, 0x7E};

}  // namespace

TSimulator::TSimulator(TSimOptions options)
    : FOptions(std::move(options)),
      FState(FOptions.Setup),
      FJournal(FOptions.JournalPath),
      FFrameLog(FOptions.FramesPath) {
  for (const std::string& command : FOptions.Commands) {
    std::string reply;
    if (!Control(command, &reply)) throw std::invalid_argument(command + ": " + reply);
  }
}

TSimulator::~TSimulator() {
  Stop();
}

bool TSimulator::Stopping() const {
  std::lock_guard lock(FMutex);
  return FStopping;
}

bool TSimulator::Pause(int ms) const {
  std::unique_lock lock(FMutex);
  if (ms > 0) {
    FChanged.wait_for(lock, std::chrono::milliseconds(ms), [this] { return FStopping; });
  }
  return !FStopping;
}

std::uint16_t TSimulator::StartTcp(const std::string& host, std::uint16_t port) {
  if (!FOptions.AllowRemote && !platform::IsLoopbackHost(host)) {
    throw std::runtime_error("refusing to listen on " + host +
                             ": not a loopback address (--allow-remote permits it)");
  }
  auto listener = std::make_unique<platform::TTcpListener>();
  const std::uint16_t bound = listener->Listen(host, port);
  FThreads.emplace_back([this, listener = std::move(listener)] {
    while (!Stopping()) {
      std::unique_ptr<platform::TByteChannel> channel = listener->Accept(kPollMs);
      if (!channel) continue;
      ServeConnection(*channel);
      channel->Close();
    }
  });
  return bound;
}

std::string TSimulator::StartPty(const std::string& linkPath) {
  std::unique_ptr<platform::TPseudoTerminal> pty = platform::TPseudoTerminal::Open(linkPath);
  const std::string slave = pty->SlavePath();
  {
    std::lock_guard lock(FMutex);
    FPtyPath = slave;
  }
  FThreads.emplace_back([this, linkPath, pty = std::move(pty)]() mutable {
    while (true) {
      ServeConnection(pty->Master());
      pty.reset();  // the bridge's side of the line hangs up
      while (!pty && Pause(kReopenPauseMs)) {
        try {
          pty = platform::TPseudoTerminal::Open(linkPath);
        } catch (const std::exception&) {
          continue;
        }
        std::lock_guard lock(FMutex);
        FPtyPath = pty->SlavePath();
      }
      if (!pty) return;
    }
  });
  return slave;
}

void TSimulator::StartSerial(const std::string& device, int baud) {
  std::unique_ptr<platform::TByteChannel> port = std::make_unique<TSerialChannel>(device, baud);
  FThreads.emplace_back([this, device, baud, port = std::move(port)]() mutable {
    while (true) {
      ServeConnection(*port);
      port.reset();
      while (!port && Pause(kReopenPauseMs)) {
        try {
          // The probe may have moved the register to another speed.
          const int current = State().Baud();
          port = std::make_unique<TSerialChannel>(device, current != 0 ? current : baud);
        } catch (const std::exception&) {
          continue;
        }
      }
      if (!port) return;
    }
  });
}

void TSimulator::Stop() {
  {
    std::lock_guard lock(FMutex);
    FStopping = true;
  }
  FChanged.notify_all();
  for (std::thread& thread : FThreads) {
    if (thread.joinable()) thread.join();
  }
  FThreads.clear();
  std::lock_guard lock(FMutex);
  FJournal.Flush();
}

void TSimulator::ServeConnection(platform::TByteChannel& channel) {
  {
    std::lock_guard lock(FMutex);
    ++FConnections;
  }
  FChanged.notify_all();
  TRequestReader reader;
  std::size_t dropped = 0;
  auto lastInput = Clock::now();
  bool open = true;
  while (open && !Stopping()) {
    TBytes chunk;
    const platform::TReadStatus status = channel.Read(chunk, kPollMs);
    if (status == platform::TReadStatus::rsClosed) break;
    if (status == platform::TReadStatus::rsTimeOut) {
      if (reader.HasPartial() && Clock::now() - lastInput > kPartialFrameLifetime) reader.Reset();
      continue;
    }
    lastInput = Clock::now();
    reader.Append(chunk);
    TSimFrame frame;
    while (open && reader.Next(frame))
      open = Handle(channel, frame);
    std::lock_guard lock(FMutex);
    FDropped += reader.Dropped() - dropped;
    dropped = reader.Dropped();
  }
}

// Executes one request under the lock, then answers it, with the faults
// that are due, outside the lock. False when the connection must close.
bool TSimulator::Handle(platform::TByteChannel& channel, const TSimFrame& frame) {
  const int portBaud = channel.PeerBaud();
  TFaultDecision fault;
  TRegisterReply reply;
  {
    std::lock_guard lock(FMutex);
    FRequests.push_back(frame);
    FFrameLog.Write(frame);
    fault = FFaults.Decide(frame.Id);
    if (fault.Refuse) {
      reply = TRegisterState::ErrorReply(fault.RefuseError, fault.RefuseFeForm);
    } else if (!fault.Ignore) {
      reply = FState.Execute(TRegisterRequest{frame.Code, frame.Payload, portBaud});
      FJournal.Print(reply.Printed);
      if (reply.EndOfBlock) FJournal.Flush();
    }
  }
  FChanged.notify_all();
  if (fault.Kill) {
    if (fault.KillPid > 0) {
      platform::KillProcess(fault.KillPid);
    } else {
      std::fflush(stdout);
      std::fflush(stderr);
      std::_Exit(70);
    }
  }
  if (fault.CloseWithoutReply) return false;
  if (fault.Ignore || fault.DropReply || fault.Kill || reply.Silent) return !fault.CloseAfterReply;
  if (!Pause(fault.DelayMs)) return false;
  if (fault.Stale) {
    const TBytes stale = BuildFrame(reply.Code, frame.PackNum - 1, FOptions.EcrId, reply.Payload);
    if (!channel.Write(stale.data(), stale.size()) || !Pause(fault.StaleGapMs)) return false;
  }
  TBytes bytes = fault.Garbage ? kGarbage : TBytes();
  const TBytes answer = BuildFrame(reply.Code, frame.PackNum, FOptions.EcrId, reply.Payload);
  bytes.insert(bytes.end(), answer.begin(), answer.end());
  if (!Send(channel, bytes, fault.SplitGapMs)) return false;
  // The probe's answer still goes at the old speed.
  if (reply.NewBaud != 0) channel.SetBaud(reply.NewBaud);
  return !fault.CloseAfterReply;
}

bool TSimulator::Send(platform::TByteChannel& channel, const TBytes& bytes, int splitGapMs) {
  if (splitGapMs < 0) return channel.Write(bytes.data(), bytes.size());
  const std::size_t half = bytes.size() / 2;
  return channel.Write(bytes.data(), half) && Pause(splitGapMs) &&
         channel.Write(bytes.data() + half, bytes.size() - half);
}

bool TSimulator::Control(const std::string& command, std::string* reply) {
  std::string text;
  bool understood = false;
  {
    std::lock_guard lock(FMutex);
    TControlTarget target{FState, FFaults, FQuit};
    understood = RunControl(command, target, text);
  }
  FChanged.notify_all();
  if (reply != nullptr) *reply = text;
  return understood;
}

bool TSimulator::QuitRequested() const {
  std::lock_guard lock(FMutex);
  return FQuit;
}

std::vector<TSimFrame> TSimulator::Requests() const {
  std::lock_guard lock(FMutex);
  return FRequests;
}

bool TSimulator::WaitForRequests(std::size_t count, int timeoutMs) const {
  std::unique_lock lock(FMutex);
  return FChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return FRequests.size() >= count; });
}

bool TSimulator::WaitForConnections(int count, int timeoutMs) const {
  std::unique_lock lock(FMutex);
  return FChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return FConnections >= count; });
}

std::string TSimulator::Journal() const {
  std::lock_guard lock(FMutex);
  return FJournal.Text();
}

TRegisterState TSimulator::State() const {
  std::lock_guard lock(FMutex);
  return FState;
}

std::uint16_t TSimulator::StatusWord() const {
  return State().StatusWord();
}
bool TSimulator::ReceiptOpen() const {
  return State().ReceiptOpen();
}
std::int64_t TSimulator::ReceiptTotal() const {
  return State().Receipt().Total;
}
TDailyTotals TSimulator::DailyTotals() const {
  return State().Daily();
}
TTransferState TSimulator::Transfer() const {
  return State().Transfer();
}
int TSimulator::LastClerk() const {
  return State().LastClerk();
}

std::size_t TSimulator::DroppedFrames() const {
  std::lock_guard lock(FMutex);
  return FDropped;
}

int TSimulator::Connections() const {
  std::lock_guard lock(FMutex);
  return FConnections;
}

std::string TSimulator::PtyPath() const {
  std::lock_guard lock(FMutex);
  return FPtyPath;
}

}  // namespace danvore::sim
