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
#include <random>
#include <string>
#include <thread>
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

namespace danvore::test {

class TTempDir {
 public:
  TTempDir() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    const auto name = "danvore_mgr_" + std::to_string(random()) + "_" + std::to_string(counter++);
    FPath = (std::filesystem::temp_directory_path() / name).string();
    std::filesystem::create_directories(FPath);
  }
  ~TTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  // With a trailing separator.
  std::string Dir() const { return platform::IncludeTrailingPathDelimiter(FPath); }

 private:
  std::string FPath;
};

// Polls until the condition holds; false after the generous time-out.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 20000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

inline std::string ReadBytes(const std::string& path) {
  std::string bytes;
  platform::ReadWholeFile(path, bytes);
  return bytes;
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

struct TLogLine {
  TLogLevel Level;
  std::string Text;
};

// Every line passed to WriteLog while it lives.
class TLogCapture {
 public:
  TLogCapture() {
    SetLogTap([this](TLogLevel level, const std::string& text) {
      std::lock_guard<std::mutex> lock(FMutex);
      FLines.push_back({level, text});
    });
  }
  ~TLogCapture() { SetLogTap(nullptr); }
  TLogCapture(const TLogCapture&) = delete;
  TLogCapture& operator=(const TLogCapture&) = delete;

  std::vector<TLogLine> Lines() const {
    std::lock_guard<std::mutex> lock(FMutex);
    return FLines;
  }
  int Count(const std::string& text) const {
    int n = 0;
    for (const TLogLine& line : Lines())
      n += line.Text == text ? 1 : 0;
    return n;
  }
  bool Has(const std::string& text) const { return Count(text) > 0; }
  bool Has(TLogLevel level, const std::string& text) const {
    for (const TLogLine& line : Lines())
      if (line.Level == level && line.Text == text) return true;
    return false;
  }
  bool HasPart(const std::string& part) const {
    for (const TLogLine& line : Lines())
      if (line.Text.find(part) != std::string::npos) return true;
    return false;
  }
  bool WaitFor(const std::string& text, int timeoutMs = 20000) const {
    return WaitUntil([&] { return Has(text); }, timeoutMs);
  }
  bool WaitForPart(const std::string& part, int timeoutMs = 20000) const {
    return WaitUntil([&] { return HasPart(part); }, timeoutMs);
  }
  // Position of the first line equal to `text`; -1 when none.
  int IndexOf(const std::string& text) const {
    const std::vector<TLogLine> lines = Lines();
    for (std::size_t i = 0; i < lines.size(); ++i)
      if (lines[i].Text == text) return static_cast<int>(i);
    return -1;
  }

 private:
  mutable std::mutex FMutex;
  std::vector<TLogLine> FLines;
};

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
    if (Args.Buffer.size() >= 4)
      FHook(static_cast<std::uint16_t>((Args.Buffer[2] << 8) | Args.Buffer[3]));
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
    const TBytes& f = Args.Buffer;
    const auto code = static_cast<std::uint16_t>((f.at(2) << 8) | f.at(3));
    const auto it = FReplies.find(code);
    FPending = Frame(code, f.at(4), f.at(5), f.at(6), f.at(7),
                     it == FReplies.end() ? TBytes() : it->second);
  }
  TBytes ReadAvailable() override { return std::exchange(FPending, TBytes()); }

 private:
  static std::uint16_t Crc(const TBytes& data) {
    std::uint16_t crc = 0;
    for (const std::uint8_t byte : data) {
      crc ^= static_cast<std::uint16_t>(byte << 8);
      for (int bit = 0; bit < 8; ++bit)
        crc = (crc & 0x8000) != 0 ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                  : static_cast<std::uint16_t>(crc << 1);
    }
    return crc;
  }
  static TBytes Frame(std::uint16_t code, std::uint8_t p0, std::uint8_t p1, std::uint8_t p2,
                      std::uint8_t p3, const TBytes& payload) {
    const std::uint32_t ecrId = 123456;
    TBytes frame = {0xAA,
                    0x03,
                    static_cast<std::uint8_t>(code >> 8),
                    static_cast<std::uint8_t>(code),
                    p0,
                    p1,
                    p2,
                    p3,
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
    if (payload.empty()) return frame;
    frame.insert(frame.end(), payload.begin(), payload.end());
    const std::uint16_t crc = Crc(payload);
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    frame.push_back(static_cast<std::uint8_t>(crc));
    return frame;
  }

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
