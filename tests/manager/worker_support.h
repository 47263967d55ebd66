// Shared pieces of the worker tests: a temporary program folder with its
// Config.Ini, the in-process register simulator on loopback TCP, a capture
// of the log lines, a transport that lets a test act between two requests,
// and an operator whose answers the test scripts.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "core/config.h"
#include "core/logger.h"
#include "core/program_dir.h"
#include "ecr-sim/simulator.h"
#include "link/transport.h"
#include "link/transport_factory.h"
#include "manager/manager.h"
#include "manager/operator_prompt.h"
#include "platform/fs.h"
#include "support/log_capture.h"
#include "support/register_frame.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"

namespace danvore::test {

// "ΛAΘOΣ <n>", the register's error text, as UTF-8.
inline std::string RegisterError(int number) {
  return "\xCE\x9B"
         "A\xCE\x98"
         "O\xCE\xA3 " +
         std::to_string(number);
}

// The files of a folder and of its sub-folders, full paths, sorted.
inline std::vector<std::string> FilesUnder(const std::string& folder) {
  std::vector<std::string> files;
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    if (it->is_regular_file()) files.push_back(it->path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

inline bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Files under `folder` whose name ends with `extension`.
inline std::vector<std::string> FilesEndingWith(const std::string& folder,
                                                const std::string& extension) {
  std::vector<std::string> found;
  for (const std::string& file : FilesUnder(folder))
    if (EndsWith(file, extension)) found.push_back(file);
  return found;
}

// The link's own transport with a hook that runs before every frame is
// written, with the frame's command code: a test can change the register
// between two requests or hold the worker at a chosen request.
class THookTransport : public ITransport {
 public:
  using THook = std::function<void(std::uint16_t code)>;
  THookTransport(std::unique_ptr<ITransport> inner, THook hook)
      : FInner(std::move(inner)), FHook(std::move(hook)) {}
  void Open() override { FInner->Open(); }
  void Close() noexcept override { FInner->Close(); }
  void WriteFrame(const TWriteArgs& Args) override {
    if (Args.Buffer.size() >= 4) FHook(FrameCode(Args.Buffer));
    FInner->WriteFrame(Args);
  }
  TBytes ReadAvailable() override { return FInner->ReadAvailable(); }

 private:
  std::unique_ptr<ITransport> FInner;
  THook FHook;
};

inline void InstallHook(TManager& manager, THookTransport::THook hook) {
  manager.Link().SetTransportFactory([hook](const TConnParams& params) {
    return std::make_unique<THookTransport>(MakeTransport(params), hook);
  });
}

// A register that answers every request with the payload given for its
// command code (empty when none), built here independently of the link.
class TCannedTransport : public ITransport {
 public:
  explicit TCannedTransport(std::map<std::uint16_t, TBytes> replies)
      : FReplies(std::move(replies)) {}
  void Open() override {}
  void Close() noexcept override {}
  void WriteFrame(const TWriteArgs& Args) override {
    const std::uint16_t code = FrameCode(Args.Buffer);
    const auto it = FReplies.find(code);
    FPending = Frame(code, FramePackNum(Args.Buffer), it == FReplies.end() ? TBytes() : it->second);
  }
  TBytes ReadAvailable() override { return std::exchange(FPending, TBytes()); }

 private:
  std::map<std::uint16_t, TBytes> FReplies;
  TBytes FPending;
};

inline void InstallCannedReplies(TManager& manager, std::map<std::uint16_t, TBytes> replies) {
  manager.Link().SetTransportFactory(
      [replies](const TConnParams&) { return std::make_unique<TCannedTransport>(replies); });
}

// A gate that holds a thread until the test opens it.
class TGate {
 public:
  void Wait() {
    std::unique_lock<std::mutex> lock(FMutex);
    FWaiting = true;
    FChanged.notify_all();
    FChanged.wait(lock, [this] { return FOpen; });
  }
  void Open() {
    std::lock_guard<std::mutex> lock(FMutex);
    FOpen = true;
    FChanged.notify_all();
  }
  bool WaitUntilHeld(int timeoutMs = 20000) {
    std::unique_lock<std::mutex> lock(FMutex);
    return FChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [this] { return FWaiting; });
  }

 private:
  std::mutex FMutex;
  std::condition_variable FChanged;
  bool FWaiting = false;
  bool FOpen = false;
};

// The operator, answering as the test says and noting when it was asked.
class TScriptedPrompt : public IOperatorPrompt {
 public:
  bool PrintNow = true;
  // Answers of the transfer confirmation, in order; true once they run out.
  std::vector<bool> Transfers;
  // Replaces the fixed answers when set.
  std::function<bool(THecrLink&)> OnTransfer;
  std::atomic<int> PrintNowCalls{0};
  std::atomic<int> TransferCalls{0};
  // Requests the register had received at each transfer question.
  std::vector<std::size_t> RequestsAtTransfer;
  sim::TSimulator* Simulator = nullptr;

  bool AskPrintNow() override {
    ++PrintNowCalls;
    return PrintNow;
  }
  bool ShowTransferConfirm(THecrLink& link) override {
    const int n = TransferCalls++;
    if (Simulator != nullptr) RequestsAtTransfer.push_back(Simulator->Requests().size());
    if (OnTransfer) return OnTransfer(link);
    return static_cast<std::size_t>(n) < Transfers.size() ? Transfers[n] : true;
  }
};

// Command ids of the requests the register received, in order.
inline std::vector<std::int32_t> RequestIds(const sim::TSimulator& simulator) {
  std::vector<std::int32_t> ids;
  for (const sim::TSimFrame& frame : simulator.Requests())
    ids.push_back(frame.Id);
  return ids;
}

// A program folder with Config.Ini for a register on loopback TCP, the
// simulator serving it, and a worker bound to "in" and "answer" below it.
class TWorkerFixture {
 public:
  TWorkerFixture() {
    SetProgramDir(FHome.Dir());
    FreeConfig();
    WriteConfigFile(0);
    StartSimulator(0);
  }
  ~TWorkerFixture() {
    FManager.reset();
    FSimulator.reset();
    GetConfig().AppRunning = false;
    FreeConfig();
  }
  TWorkerFixture(const TWorkerFixture&) = delete;
  TWorkerFixture& operator=(const TWorkerFixture&) = delete;

  const std::string& Home() const { return FHomeDir; }
  std::string InDir() const { return FHome.Dir() + "in" + platform::PathSeparator(); }
  std::string AnswerRoot() const { return FHome.Dir() + "answer" + platform::PathSeparator(); }
  sim::TSimulator& Sim() { return *FSimulator; }
  std::uint16_t Port() const { return FPort; }

  // The simulator anew (its state starts afresh); port 0 picks a free one.
  void StartSimulator(std::uint16_t port, sim::TSimOptions options = {}) {
    FSimulator = std::make_unique<sim::TSimulator>(std::move(options));
    FPort = FSimulator->StartTcp("127.0.0.1", port);
    GetConfig().Port = FPort;
  }
  void StopSimulator() { FSimulator.reset(); }
  void Control(const std::string& command) {
    std::string reply;
    if (!FSimulator->Control(command, &reply)) throw std::runtime_error(command + ": " + reply);
  }

  // A worker with short pauses; its thread is not started.
  TManager& MakeManager() {
    FManager = std::make_unique<TManager>();
    FManager->SetReceiptsDir(InDir());
    FManager->SetAnswerDir(AnswerRoot());
    FManager->SetLineDelimiter("/");
    FManager->PassWaitMs = 20;
    FManager->NextFileWaitMs = 20;
    FManager->ReportPauseMs = 20;
    FManager->MinFileAgeSeconds = 0;
    return *FManager;
  }
  TManager& Manager() { return *FManager; }
  void DestroyManager() { FManager.reset(); }

  // Writes a command file whole, as a well-behaved point-of-sale program does.
  std::string Drop(const std::string& name, const std::string& bytes) {
    platform::ForceDirectories(InDir());
    const std::string path = InDir() + name;
    platform::WriteFileAtomic(path, bytes);
    return path;
  }

 private:
  void WriteConfigFile(std::uint16_t port) {
    const std::string ini =
        "[System]\r\nConnKind=1\r\nHost=127.0.0.1\r\nPort=" + std::to_string(port) +
        "\r\nAllVoidBeforeProcessFile=1\r\n[Clerk]\r\nClerkID3=333\r\n";
    platform::WriteFileAtomic(ConfigFilePath(), ini);
    TIniConfig& config = GetConfig();
    config.ReadConfig();
    config.AppRunning = true;
  }

  TTempDir FHome;
  std::string FHomeDir = FHome.Dir();
  std::unique_ptr<sim::TSimulator> FSimulator;
  std::uint16_t FPort = 0;
  std::unique_ptr<TManager> FManager;
};

}  // namespace danvore::test
