// TManager: the worker. Its thread watches the command folder, runs every
// command file against the register and leaves an answer or error file for
// it; the same object carries the manual operations (void, close receipt,
// connection check, reports), which borrow the register link through the
// link lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/result.h"
#include "encoding/text_encoding.h"
#include "link/hecr_link.h"
#include "manager/progress_journal.h"
#include "packing/command_data.h"
#include "packing/packer.h"
#include "platform/event.h"

namespace danvore {

class IOperatorPrompt;

class TManager {
 public:
  // Suspended: the thread runs only after Start. The link takes its
  // connection settings from the configuration now.
  TManager();
  // Ends the thread first if it still runs.
  ~TManager();
  TManager(const TManager&) = delete;
  TManager& operator=(const TManager&) = delete;

  // --- The thread.
  void Start();
  // Marks the thread terminated and wakes every wait of it; returns at once.
  void Terminate();
  // Waits until the thread has ended (at once when it never started).
  void WaitFor();
  bool Terminated() const { return FTerminated; }

  // --- Settings; all but SuspendWork are set before Start.
  const std::string& ReceiptsDir() const { return FReceiptsDir; }
  void SetReceiptsDir(const std::string& Value) { FReceiptsDir = Value; }
  const std::string& AnswerDir() const { return FAnswerDir; }
  // Adds the trailing separator and creates the folder with its parents.
  void SetAnswerDir(const std::string& Value);
  const std::string& LineDelimiter() const { return FLineDelimiter; }
  void SetLineDelimiter(const std::string& Value) { FLineDelimiter = Value; }
  TDecimalType DecimalType() const { return FPacker->DecimalType; }
  void SetDecimalType(TDecimalType Value) { FPacker->DecimalType = Value; }
  const TTextEncoding* InEncoding() const { return FInEncoding.get(); }
  void SetInEncoding(std::unique_ptr<TTextEncoding> Value) { FInEncoding = std::move(Value); }
  const TTextEncoding* OutEncoding() const { return FOutEncoding.get(); }
  void SetOutEncoding(std::unique_ptr<TTextEncoding> Value) { FOutEncoding = std::move(Value); }
  bool SuspendWork() const { return FSuspendWork; }
  void SetSuspendWork(bool Value) { FSuspendWork = Value; }
  // Who answers "Print Now?" and the transfer confirmation; without one,
  // both questions are answered No.
  void SetOperatorPrompt(IOperatorPrompt* Prompt) { FPrompt = Prompt; }

  THecrLink& Link() { return *FLink; }

  // --- Public operations. bManual: the caller is not the worker's thread,
  // so the operation takes the link lock itself.
  TResult AllVoid(bool bManual);
  TResult Connect(bool bManual);
  TResult DisConnnect(bool bManual);
  // Always takes the link lock.
  TResult CloseReceipt();
  TResult Login(std::int32_t AClerkID, std::int32_t APassWord, bool bManual);
  TResult PrintReport(TUploadReportMode Mode, bool bManual);
  // Asks the thread to pause and takes the link lock, trying for 4 s.
  bool Lock();
  void UnLock();

  // --- Steps of the thread body, public so that each can be driven alone.
  // The first entry the platform returns for Folder + pattern when it is a
  // file old enough to have been written completely; empty otherwise. Tries
  // first to delete the files answered in this run that could not be deleted;
  // one of them that is still there and comes first holds up the folder.
  std::string FindCommandFile(const std::string& Folder, const std::string& Pattern);
  // Runs one command file; true when the next file may follow at once.
  bool HandleFile(const std::string& AnswerFolder, const std::string& FilePath,
                  std::vector<std::string>& Lines);
  // Returns the ContentKey of the file's bytes.
  std::string LoadCommandFile(const std::string& FilePath, std::vector<std::string>& Lines);
  // First: index of the first line to run; the lines before it were done by
  // an earlier attempt at the same file.
  void ExecuteLines(const std::vector<std::string>& Lines, TResult& Result, std::size_t First = 0);
  void ParseLine(const std::string& Line);
  const TCommandData& CommandData() const { return FCommandData; }
  void ExecuteCommand(TCommandData& Data, TResult& Result);
  void CheckEcrStatus(std::int32_t& Status, int& Reconnect, TResult& Result);
  void ReadEcrStatus(std::int32_t& Status, TResult& Result);
  void DrainPendingData(int Kind, TResult& Result);
  void ReadUntilEmpty(std::int32_t CommandID, TResult& Result);
  void SendReportCommand(const std::string& Key, TResult& Result);

  // --- Waits of the thread in milliseconds, and the age below which a
  // command file counts as still being written. Tests shorten them.
  int PassWaitMs = 3000;
  int NextFileWaitMs = 500;
  int ReportPauseMs = 5000;
  int LockWaitMs = 4000;
  double MinFileAgeSeconds = 1.0;

 private:
  void Execute();
  // Waits on the wake-up event; true when it was signalled or the thread is
  // terminated.
  bool WaitTerminate(int Milliseconds);
  void RunPass(const std::string& AnswerFolder, std::vector<std::string>& Lines);
  void WriteTextFile(const std::string& FileName, const std::string& Text);
  void WriteErrorFile(const std::string& FileName, const std::vector<std::string>& Lines,
                      const std::string& Message);
  // Writes the answer or error file of a file whose lines ran, then deletes
  // the file; returns what HandleFile returns.
  bool WriteOutcome(const std::string& AnswerFolder, const std::string& Stem,
                    const std::string& FilePath, const std::vector<std::string>& Lines,
                    const TResult& Result);
  void RemoveCommandFile(const std::string& FilePath);
  void RetryDeletions();
  std::string ReadCommandBytes(const std::string& FilePath);
  // --- Progress of files that end receipts, so that a retry does not print
  // a closed receipt again.
  TProgressJournal& Progress();
  // Opens the file's progress and returns the index of the first line to
  // run: 0, or the line after the last one that closed a receipt.
  std::size_t ResumePoint(const std::string& Name, const std::string& Key,
                          const std::vector<std::string>& Lines, std::int32_t Status);
  void RecordLineDone(int Line);
  // The file has its outcome; its progress goes once the file is gone.
  void FinishProgress(const std::string& FilePath);
  // A file whose lines ran in this run and whose outcome is final. It is
  // kept until the file is gone or replaced, so that it never runs twice.
  struct TRanFile {
    std::string Key;        // ContentKey of the bytes that ran
    TResult Result;         // the outcome its answer or error file tells
    bool Written = false;   // its answer or error file exists: only the deletion is left
    bool Reported = false;  // the log says that it holds up the folder
    std::string Error;      // why the last deletion failed
  };
  TResult SendItem(const TPackedData& Item, std::uint32_t PackNum);
  TResult SendItemRepeating(const TPackedData& Item, std::uint32_t PackNum);
  void LoginItem(const TPackedData& Item, TResult& Result);
  TResult PrintZReport();
  bool AskTransferConfirm();

  platform::TEvent FhTerminate;
  std::string FReceiptsDir;
  std::unique_ptr<TTextEncoding> FInEncoding;
  std::string FLineDelimiter;
  std::string FAnswerDir;
  std::unique_ptr<TTextEncoding> FOutEncoding;
  std::unique_ptr<TPacker> FPacker;
  std::unique_ptr<THecrLink> FLink;
  std::atomic<bool> FSuspendWork{false};
  std::atomic<int> FLocker{0};
  TCommandData FCommandData;
  std::vector<std::string> FTextStrs;
  IOperatorPrompt* FPrompt = nullptr;
  // By path: files whose answer could not be written, or that could not be
  // deleted after it was.
  std::map<std::string, TRanFile> FRanFiles;
  std::unique_ptr<TProgressJournal> FProgress;
  // The last status word read from the register.
  std::int32_t FLastStatus = 0;
  std::atomic<bool> FTerminated{false};
  std::thread FThread;
};

}  // namespace danvore
