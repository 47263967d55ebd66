#include "manager/manager.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>
#include <limits>
#include <stdexcept>
#include <type_traits>

#include "core/config.h"
#include "core/errors.h"
#include "core/format.h"
#include "core/logger.h"
#include "core/program_dir.h"
#include "encoding/codec.h"
#include "link/econnect.h"
#include "manager/command_file.h"
#include "manager/operator_prompt.h"
#include "manager/transfer_confirm.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/syserror.h"

namespace danvore {

namespace {

constexpr const char* kEcrId = "123456";
constexpr const char* kReadEcrId = "1";
constexpr const char* kCommandPattern = "*.txt";
constexpr const char* kError = "Error";
constexpr const char* kOK = "OK";
constexpr const char* kPrintReport = "Print Report";

constexpr std::int32_t kCmdReadStatus = 20000;
constexpr std::int32_t kCmdReadReports = 20002;
constexpr std::int32_t kCmdReadReceipt = 10009;
constexpr std::int32_t kCmdPrintReport = 30009;

constexpr std::int32_t kStatusPendingReports = 0x01;
constexpr std::int32_t kStatusPendingReceipt = 0x02;
constexpr std::int32_t kStatusWantsConnect = 0x04;
constexpr std::int32_t kStatusError = 0x08;
constexpr std::int32_t kStatusReceiptOpen = 0x10;
constexpr std::int32_t kStatusReceiptClosing = 0x20;

constexpr std::int32_t kErrorNeedsConnect = 14;
constexpr int kLockRetryMs = 10;
// While paused the loop only watches its flags; this keeps it off the CPU.
constexpr int kSuspendedPollMs = 50;
constexpr int kEndDailyWaiting = 1;
constexpr int kMaxTransferAttempts = 10;

// Gives the link lock back on every way out of a manual operation.
class TManualLock {
 public:
  TManualLock(TManager& Owner, bool Held) : FOwner(Owner), FHeld(Held) {}
  ~TManualLock() {
    if (FHeld) FOwner.UnLock();
  }
  TManualLock(const TManualLock&) = delete;
  TManualLock& operator=(const TManualLock&) = delete;

 private:
  TManager& FOwner;
  bool FHeld;
};

// Lines of these kinds can end a receipt; files without one keep no progress.
bool EndsReceipt(TCommandKind Kind) {
  return Kind == ckPayment || Kind == ckCloseReceipt || Kind == ckAllVoid;
}

// Leaves the progress of the file in hand on every way out of HandleFile.
class TProgressClose {
 public:
  explicit TProgressClose(TProgressJournal& Journal) : FJournal(Journal) {}
  ~TProgressClose() { FJournal.Close(); }
  TProgressClose(const TProgressClose&) = delete;
  TProgressClose& operator=(const TProgressClose&) = delete;

 private:
  TProgressJournal& FJournal;
};

// Parses lines for their kind only, reusing one record and one scratch list.
class TKindReader {
 public:
  explicit TKindReader(const std::string& Delimiter) : FDelimiter(Delimiter) {}
  TCommandKind operator()(const std::string& Line) {
    ParseCommandLine(Line, FDelimiter, FData, FPieces);
    return FData.Kind;
  }

 private:
  const std::string& FDelimiter;
  TCommandData FData;
  std::vector<std::string> FPieces;
};

std::string FileNameOf(const std::string& Path) {
  for (std::size_t i = Path.size(); i > 0; --i)
    if (platform::IsPathSeparator(Path[i - 1])) return Path.substr(i);
  return Path;
}

void NoteNewFileUnderOldName(const std::string& Path) {
  AddLog(llInfor,
         Format("Handle File[%s] is a new file under the name of one that ran before",
                FileNameOf(Path)),
         true);
}

// The window may be applying new settings meanwhile.
bool VoidBeforeFile() {
  const TIniConfig& config = GetConfig();
  const auto hold = config.Hold();
  return config.AllVoidBeforeProcessFile;
}

// The link refuses a connection kind it does not know when it opens; a
// ConnKind that TConnMode cannot hold must not wrap round to a known one.
TConnMode ConnModeOf(std::int32_t ConnKind) {
  constexpr std::int32_t kLargest = std::numeric_limits<std::underlying_type_t<TConnMode>>::max();
  return static_cast<TConnMode>(ConnKind >= 0 && ConnKind <= kLargest ? ConnKind : kLargest);
}

std::int64_t DecodeBin(const TBytes& Buf, int Pos, int Len) {
  std::int64_t value = 0;
  GccEncode().BufToData(dtBIN, Buf, Pos, Len).TryAsInt64(value);
  return value;
}

// The texts of one simple operation.
struct TOperationTexts {
  const char* Name;
  bool Reports;           // start, failure and success reports
  bool NoticeFromWorker;  // the success of an automatic run is a notice
};

constexpr TOperationTexts kAllVoidTexts{"All Void", true, true};
constexpr TOperationTexts kConnectTexts{"connection ecr...", true, false};
constexpr TOperationTexts kCloseReceiptTexts{"Close Receipt", true, false};
constexpr TOperationTexts kDisConnectTexts{"disconnection ecr...", false, false};

// Void, connect, close receipt and disconnect: one command without fields
// between the operation's reports.
TResult RunSimple(TManager& Owner, TCommandKind Kind, const TOperationTexts& Texts, bool bManual) {
  TResult result;
  if (bManual && !Owner.Lock()) {
    SetResult(rcError, Format("%s %s", Texts.Name, kError), 0, result);
    return result;
  }
  TManualLock release(Owner, bManual);
  TCommandData data(Kind);
  if (Texts.Reports) AddLog(llInfor, Format("%s...", Texts.Name), true);
  Owner.ExecuteCommand(data, result);
  if (!Texts.Reports) return result;
  if (result.Code != rcSuccess)
    AddLog(llError, Format("%s %s,%s", Texts.Name, kError, result.Msg), true);
  else if (Texts.NoticeFromWorker && !bManual)
    AddLog(llWarning, Format("%s %s, !!!NOTICE!!!", Texts.Name, kOK), true);
  else
    AddLog(llInfor, Format("%s %s", Texts.Name, kOK), true);
  return result;
}

}  // namespace

TManager::TManager()
    : FInEncoding(MakeTextEncoding(0)),
      FOutEncoding(MakeTextEncoding(0)),
      FPacker(std::make_unique<TPacker>()),
      FLink(std::make_unique<THecrLink>()) {
  const TIniConfig& config = GetConfig();
  FLink->ConnParams.Mode = ConnModeOf(config.ConnKind);
  FLink->ConnParams.Host = config.Host;
  FLink->ConnParams.Port = config.Port;
}

TManager::~TManager() {
  if (FThread.joinable()) {
    Terminate();
    WaitFor();
  }
  FhTerminate.Set();
  FLink.reset();
  FPacker.reset();
  FInEncoding.reset();
  FOutEncoding.reset();
}

void TManager::Start() {
  if (!FThread.joinable()) FThread = std::thread([this] { Execute(); });
}

void TManager::Terminate() {
  // The flag first: whoever the signal wakes then finds it set.
  FTerminated = true;
  FhTerminate.Set();
}

void TManager::WaitFor() {
  if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id()) FThread.join();
}

bool TManager::WaitTerminate(int Milliseconds) {
  if (FTerminated) return true;
  const bool signalled = FhTerminate.WaitFor(Milliseconds);
  // The event wakes one waiter; hand the wake-up on to any other one.
  if (signalled && FTerminated) FhTerminate.Set();
  return signalled;
}

void TManager::SetAnswerDir(const std::string& Value) {
  FAnswerDir = platform::IncludeTrailingPathDelimiter(Value);
  platform::ForceDirectories(FAnswerDir);
}

// ---------------------------------------------------------------- thread body

void TManager::Execute() {
  try {
    const std::string answerFolder = DatedAnswerFolder(FAnswerDir, platform::LocalNow());
    if (!platform::ForceDirectories(answerFolder)) {
      AddLog(llError, "The Save Folder not exits", true);
    } else {
      std::vector<std::string> lines;
      while (!FTerminated) {
        if (FSuspendWork) {
          if (WaitTerminate(kSuspendedPollMs)) break;
          continue;
        }
        if (WaitTerminate(PassWaitMs)) break;
        int expected = 0;
        if (!FLocker.compare_exchange_strong(expected, 1)) continue;
        RunPass(answerFolder, lines);
        expected = 1;
        FLocker.compare_exchange_strong(expected, 0);
      }
      lines.clear();
      DisConnnect(false);
    }
  } catch (const std::exception& e) {
    WriteLog(std::string("TManager.Execute2 Error,") + e.what(), llError);
  } catch (...) {
    WriteLog("TManager.Execute2 Error,", llError);
  }
  WriteLog("APP Terminated", llDebug);
}

void TManager::RunPass(const std::string& AnswerFolder, std::vector<std::string>& Lines) {
  try {
    // Progress of a file that is gone must not carry over to a new file
    // that comes under its name with the same content.
    Progress().RemoveOrphans(FReceiptsDir);
    do {
      const std::string path = FindCommandFile(FReceiptsDir, kCommandPattern);
      if (path.empty()) break;
      if (!HandleFile(AnswerFolder, path, Lines)) break;
      if (WaitTerminate(NextFileWaitMs)) break;
    } while (!FSuspendWork && !FTerminated);
  } catch (const std::exception& e) {
    WriteLog(std::string("TManager.Execute Error,") + e.what(), llError);
  } catch (...) {
    WriteLog("TManager.Execute Error,", llError);
  }
}

std::string TManager::FindCommandFile(const std::string& Folder, const std::string& Pattern) {
  // No folder configured: an empty path would name the current folder (or
  // the drive's root), whose files must never be run and deleted.
  if (IsBlankLine(Folder)) return std::string();
  RetryDeletions();
  const auto entry = platform::FindFirstEntry(Folder, Pattern);
  if (!entry || !entry->IsFile) return std::string();
  // A file changed within the last moment may still be being written.
  if (std::abs(entry->SecondsSinceModified) < MinFileAgeSeconds) return std::string();
  const auto ran = FRanFiles.find(entry->Path);
  if (ran == FRanFiles.end() || !ran->second.Written) return entry->Path;
  // Only the first entry is looked at: until this one goes, none behind it
  // is taken. Said once, not on every pass.
  if (!ran->second.Reported)
    AddLog(llError,
           Format("Command folder held up by \"%s\": it was answered but cannot be deleted (%s); "
                  "no other command file is taken until it is gone",
                  entry->Path, ran->second.Error),
           true);
  ran->second.Reported = true;
  return std::string();
}

bool TManager::HandleFile(const std::string& AnswerFolder, const std::string& FilePath,
                          std::vector<std::string>& Lines) {
  const std::string name = FileNameOf(FilePath);
  TProgressClose progressClose(Progress());
  try {
    const std::string stem = AnswerStem(AnswerFolder, name, platform::LocalNow());
    const auto ran = FRanFiles.find(FilePath);
    if (ran != FRanFiles.end()) {
      // Its lines ran already and only their outcome is left to write.
      if (LoadCommandFile(FilePath, Lines) == ran->second.Key)
        return WriteOutcome(AnswerFolder, stem, FilePath, Lines, ran->second.Result);
      NoteNewFileUnderOldName(FilePath);
      FRanFiles.erase(ran);
    }
    if (!FLink->Active()) FLink->Open();
    TResult result;
    std::int32_t status = 0;
    int reconnect = 0;
    CheckEcrStatus(status, reconnect, result);
    if (result.Code != rcSuccess) {
      AddLog(llError, Format("Handle File[%s] Error1:%s", name, result.Msg), true);
      return false;
    }
    const std::string key = LoadCommandFile(FilePath, Lines);
    // Settled before the void: once a void has run, a register without an
    // open receipt no longer tells whether the payment in flight closed it.
    const std::size_t first = ResumePoint(name, key, Lines, status);
    if (VoidBeforeFile() && (status & kStatusReceiptOpen) != 0 &&
        (status & kStatusReceiptClosing) == 0) {
      const TResult voided = AllVoid(false);
      if (voided.Code != rcSuccess && voided.Code != rcEVastel) return false;
    }
    AddLog(llInfor, Format("Handle File[%s]...", name), true);
    ExecuteLines(Lines, result, first);
    switch (result.Code) {
      case rcSuccess:
      case rcInvalidCommand:
      case rcEVastel:
        // Kept until the file is gone: whatever fails from here on, its
        // lines do not run again.
        FRanFiles[FilePath].Key = key;
        FRanFiles[FilePath].Result = result;
        return WriteOutcome(AnswerFolder, stem, FilePath, Lines, result);
      case rcEConnect:
      case rcError:
        AddLog(llError, Format("Handle File[%s] Error2:%s", name, result.Msg), true);
        return false;
      case rcTimeOut:
        return false;
    }
    return false;
  } catch (const std::exception& e) {
    WriteLog(Format("Handle File[%s] Error3:%s", FilePath, e.what()), llError);
    AddLog(llError, Format("Handle File[%s] Error3:%s", name, e.what()), true);
    return false;
  }
}

bool TManager::WriteOutcome(const std::string& AnswerFolder, const std::string& Stem,
                            const std::string& FilePath, const std::vector<std::string>& Lines,
                            const TResult& Result) {
  // By value: the record it comes from goes with the file.
  const TResult result = Result;
  const bool answered = result.Code == rcSuccess;
  const std::string output = Stem + (answered                          ? ".Ans"
                                     : result.Code == rcInvalidCommand ? ".ERR1"
                                                                       : ".ERR2");
  // The folder of the day may have been removed since the thread made it.
  platform::ForceDirectories(AnswerFolder);
  if (answered)
    WriteTextFile(output, AnswerText(Lines));
  else
    WriteErrorFile(output, Lines, result.Msg);
  FRanFiles[FilePath].Written = true;
  RemoveCommandFile(FilePath);
  FinishProgress(FilePath);
  const std::string name = FileNameOf(FilePath);
  if (answered) {
    AddLog(llInfor, Format("Handle File[%s(Ans:%s)] %s", name, output, kOK), true);
  } else {
    const std::string shown =
        result.Code == rcInvalidCommand ? std::string("UnSupport Command!") : result.Msg;
    AddLog(llError, Format("Handle File[%s(Ans:%s)] Error:%s", name, output, shown), true);
  }
  return answered;
}

std::string TManager::LoadCommandFile(const std::string& FilePath,
                                      std::vector<std::string>& Lines) {
  const std::string bytes = ReadCommandBytes(FilePath);
  SplitTextLines(FInEncoding->Decode(bytes), Lines);
  return ContentKey(bytes);
}

std::string TManager::ReadCommandBytes(const std::string& FilePath) {
  std::string bytes;
  if (!platform::ReadWholeFile(FilePath, bytes))
    throw std::runtime_error(
        Format("Cannot open file \"%s\". %s", FilePath, platform::LastSystemErrorText()));
  return bytes;
}

void TManager::WriteTextFile(const std::string& FileName, const std::string& Text) {
  if (!platform::WriteFileAtomic(FileName, FOutEncoding->Encode(Text)))
    throw std::runtime_error(
        Format("Cannot create file \"%s\". %s", FileName, platform::LastSystemErrorText()));
}

void TManager::WriteErrorFile(const std::string& FileName, const std::vector<std::string>& Lines,
                              const std::string& Message) {
  WriteTextFile(FileName, ErrorText(Lines, Message));
}

void TManager::RemoveCommandFile(const std::string& FilePath) {
  if (platform::RemoveFile(FilePath)) {
    FRanFiles.erase(FilePath);
    return;
  }
  // Its outcome is written: running it again would repeat a receipt. Every
  // search of the folder tries again to delete it.
  const std::string error = platform::LastSystemErrorText();
  FRanFiles[FilePath].Error = error;
  AddLog(llError, Format("Cannot delete file \"%s\". %s", FilePath, error), true);
}

void TManager::RetryDeletions() {
  for (auto it = FRanFiles.begin(); it != FRanFiles.end();) {
    const std::string& path = it->first;
    TRanFile& file = it->second;
    std::string bytes;
    if (!platform::FileExists(path)) {
      it = FRanFiles.erase(it);
      continue;
    }
    // One whose answer is still to write is read by HandleFile anyway.
    if (!file.Written) {
      ++it;
      continue;
    }
    // A file that cannot be read may be the one that ran: it stays put.
    if (!platform::ReadWholeFile(path, bytes)) {
      file.Error = platform::LastSystemErrorText();
      ++it;
      continue;
    }
    if (ContentKey(bytes) != file.Key) {
      NoteNewFileUnderOldName(path);
      it = FRanFiles.erase(it);
      continue;
    }
    if (!platform::RemoveFile(path)) {
      file.Error = platform::LastSystemErrorText();
      ++it;
      continue;
    }
    AddLog(llInfor, Format("Deleted file \"%s\", answered before", path), true);
    FinishProgress(path);
    it = FRanFiles.erase(it);
  }
}

// ------------------------------------------------------------------ progress

TProgressJournal& TManager::Progress() {
  if (!FProgress) FProgress = std::make_unique<TProgressJournal>(ProgressDir());
  return *FProgress;
}

std::size_t TManager::ResumePoint(const std::string& Name, const std::string& Key,
                                  const std::vector<std::string>& Lines, std::int32_t Status) {
  TKindReader kindOf(FLineDelimiter);
  const auto endsReceipt = [&](const std::string& Line) { return EndsReceipt(kindOf(Line)); };
  if (std::none_of(Lines.begin(), Lines.end(), endsReceipt)) return 0;
  TProgressJournal& progress = Progress();
  const TFileProgress recorded = progress.Open(Name, Key);
  int boundary = recorded.Boundary;
  const int inFlight = recorded.InFlight;
  // Decided before this attempt's void, and every attempt settles its line
  // in flight before it voids: a register with neither an open receipt nor a
  // payment begun has voided nothing since that line was sent, so the
  // payment or close line in flight is what closed the receipt.
  const auto closes = [&](int Line) {
    const TCommandKind kind = kindOf(Lines[Line - 1]);
    return kind == ckPayment || kind == ckCloseReceipt;
  };
  if (inFlight > boundary && inFlight <= static_cast<int>(Lines.size()) &&
      (Status & (kStatusReceiptOpen | kStatusReceiptClosing)) == 0 && closes(inFlight)) {
    progress.Boundary(inFlight);
    boundary = inFlight;
    AddLog(llWarning,
           Format("Handle File[%s] Line%d was sent before the failure and the register has no "
                  "open receipt: it closed its receipt",
                  Name, inFlight),
           true);
  } else if (inFlight != 0) {
    // Settled for good: after the void that may follow, the register would
    // show no open receipt either.
    progress.Rerun(inFlight);
  }
  if (boundary == 0) return 0;
  if (boundary < static_cast<int>(Lines.size()))
    AddLog(llWarning,
           Format("Handle File[%s] Resume at Line%d: the receipts up to Line%d are closed and are "
                  "not sent again",
                  Name, boundary + 1, boundary),
           true);
  else
    AddLog(llWarning,
           Format("Handle File[%s] Nothing to resume: the receipts up to Line%d (the last line) "
                  "are closed and are not sent again",
                  Name, boundary),
           true);
  return static_cast<std::size_t>(boundary);
}

void TManager::RecordLineDone(int Line) {
  if ((FLastStatus & kStatusReceiptOpen) == 0)
    FProgress->Boundary(Line);
  else
    FProgress->Done(Line);
}

void TManager::FinishProgress(const std::string& FilePath) {
  // A file that could not be deleted is taken again after a restart; its
  // progress keeps that run from printing its receipts a second time.
  if (platform::FileExists(FilePath)) return;
  const std::string name = FileNameOf(FilePath);
  if (!Progress().Finish(name))
    WriteLog(Format("Cannot delete file \"%s\". %s", Progress().EntryPath(name),
                    platform::LastSystemErrorText()),
             llError);
}

// ------------------------------------------------------------------ the lines

void TManager::ExecuteLines(const std::vector<std::string>& Lines, TResult& Result,
                            std::size_t First) {
  std::string tag;
  try {
    for (std::size_t i = First; i < Lines.size(); ++i) {
      const std::string& line = Lines[i];
      if (IsBlankLine(line)) continue;
      tag = Format("Line%d(%s)", static_cast<int>(i + 1), line);
      WriteLog(Format("ExecLine:%s...", tag), llInfor);
      ParseLine(line);
      const int number = static_cast<int>(i + 1);
      // Only a line that can end a receipt can become a boundary or be taken
      // for one on a retry; the records of other lines change nothing.
      const bool recorded = FProgress != nullptr && EndsReceipt(FCommandData.Kind);
      if (recorded) FProgress->InFlight(number);
      // Until a status word comes back, the receipt counts as open.
      FLastStatus = kStatusReceiptOpen;
      ExecuteCommand(FCommandData, Result);
      if (Result.Code != rcSuccess) {
        Result.Msg = Format("<%s>%s", tag, Result.Msg);
        return;
      }
      if (recorded) RecordLineDone(number);
    }
  } catch (const std::exception& e) {
    Result.Code = rcError;
    Result.Msg = Format("<%s>%s", tag, e.what());
  }
}

void TManager::ParseLine(const std::string& Line) {
  ParseCommandLine(Line, FLineDelimiter, FCommandData, FTextStrs);
}

void TManager::ExecuteCommand(TCommandData& Data, TResult& Result) {
  if (Data.Kind == ckUnSupport) {
    SetResult(rcInvalidCommand, SysErrorMessage(ERROR_BAD_COMMAND_CODE), 0, Result);
    return;
  }
  const TPackedList items = FPacker->PackData(Data);
  try {
    for (std::size_t i = 0; i < items.size(); ++i) {
      const TPackedData& item = items[i];
      const auto packNum = static_cast<std::uint32_t>(i);
      std::int32_t status = 0;
      int reconnect = 0;
      switch (Data.Kind) {
        case ckClerk:
          LoginItem(item, Result);
          break;
        case ckPayment:
        case ckCloseReceipt:
        case ckAllVoid:
          Result = SendItemRepeating(item, packNum);
          if (Result.Code == rcSuccess) CheckEcrStatus(status, reconnect, Result);
          break;
        case ckZReport:
          Result = PrintReport(umZDailyReport, false);
          break;
        case ckXReport:
          Result = PrintReport(umXDailyReport, false);
          break;
        case ckConnect:
        case ckDisConnect:
          Result = SendItem(item, packNum);
          break;
        default:
          Result = SendItemRepeating(item, packNum);
          break;
      }
      if (Result.Code != rcSuccess) return;
    }
    Result.Code = rcSuccess;
  } catch (const EConnect& e) {
    SetResult(rcEConnect, e.what(), 0, Result);
  } catch (const std::exception& e) {
    SetResult(rcError, e.what(), 0, Result);
  }
}

TResult TManager::SendItem(const TPackedData& Item, std::uint32_t PackNum) {
  TBytes buf = Item.Data;
  const int len = static_cast<int>(buf.size());
  return FLink->SendBuffer(static_cast<std::int32_t>(Item.Command), buf, PackNum, len, kEcrId);
}

TResult TManager::SendItemRepeating(const TPackedData& Item, std::uint32_t PackNum) {
  TResult result = SendItem(Item, PackNum);
  if (result.Code != rcEVastel || result.ExParams != kErrorNeedsConnect) return result;
  TResult check;
  std::int32_t status = 0;
  int reconnect = 0;
  CheckEcrStatus(status, reconnect, check);
  if (check.Code == rcSuccess && reconnect == 1) result = SendItem(Item, PackNum);
  return result;
}

void TManager::LoginItem(const TPackedData& Item, TResult& Result) {
  const auto clerk = static_cast<std::int32_t>(DecodeBin(Item.Data, 0, 2));
  const auto password = static_cast<std::int32_t>(DecodeBin(Item.Data, 2, 4));
  Result = Login(clerk, password, false);
  if (Result.Code != rcSuccess) return;
  std::int32_t status = 0;
  int reconnect = 0;
  CheckEcrStatus(status, reconnect, Result);
}

// ------------------------------------------------------------- status check

void TManager::ReadEcrStatus(std::int32_t& Status, TResult& Result) {
  Status = 0;
  TBytes buf;
  Result = FLink->SendBuffer(kCmdReadStatus, buf, 0, 0, 2000, 5, kEcrId);
  if (Result.Code != rcSuccess) return;
  if (buf.size() < 2) {
    SetResult(rcError, SysErrorMessage(ERROR_INVALID_DATA_CODE), 0, Result);
    return;
  }
  Status = static_cast<std::int32_t>(DecodeBin(buf, 0, 2));
  FLastStatus = Status;
  Result.Msg.clear();
  if (buf.size() > 2) Result.Msg = GccEncode().GreekText(buf, 2, static_cast<int>(buf.size()) - 2);
}

void TManager::CheckEcrStatus(std::int32_t& Status, int& Reconnect, TResult& Result) {
  Reconnect = 0;
  ReadEcrStatus(Status, Result);
  if (Result.Code != rcSuccess) return;
  WriteLog(Format("StatusCode:%d", Status), llDebug);
  if ((Status & kStatusWantsConnect) != 0) {
    Result = Connect(false);
    if (Result.Code != rcSuccess) return;
    Reconnect = 1;
    ReadEcrStatus(Status, Result);
    if (Result.Code != rcSuccess) return;
  }
  if ((Status & kStatusPendingReports) != 0) {
    DrainPendingData(0, Result);
    if (Result.Code != rcSuccess) return;
  }
  if ((Status & kStatusPendingReceipt) != 0) {
    DrainPendingData(1, Result);
    if (Result.Code != rcSuccess) return;
  }
  if ((Status & kStatusError) != 0) {
    Result.Code = rcEVastel;
    Result.ExParams = 0;
  }
}

void TManager::DrainPendingData(int Kind, TResult& Result) {
  try {
    SetResult(rcSuccess, std::string(), 0, Result);
    if (Kind == 0) ReadUntilEmpty(kCmdReadReports, Result);
    if (Kind == 1) ReadUntilEmpty(kCmdReadReceipt, Result);
  } catch (const std::exception& e) {
    SetResult(rcError, Format("%s %s: %s", "Check ECR Status", kError, e.what()), 0, Result);
  }
}

void TManager::ReadUntilEmpty(std::int32_t CommandID, TResult& Result) {
  try {
    SetResult(rcSuccess, std::string(), 0, Result);
    FLink->ResetPackNum(0);
    for (std::uint32_t counter = 0; !FTerminated; ++counter) {
      TBytes buf;
      Result = FLink->SendBuffer(CommandID, buf, counter, 0, 15000, 3, kReadEcrId);
      if (Result.Code != rcSuccess || buf.empty()) return;
    }
  } catch (const std::exception& e) {
    SetResult(rcError, std::string("Read Receipt ") + e.what(), 0, Result);
  }
}

// --------------------------------------------------------- manual operations

TResult TManager::AllVoid(bool bManual) {
  return RunSimple(*this, ckAllVoid, kAllVoidTexts, bManual);
}

TResult TManager::Connect(bool bManual) {
  return RunSimple(*this, ckConnect, kConnectTexts, bManual);
}

TResult TManager::DisConnnect(bool bManual) {
  return RunSimple(*this, ckDisConnect, kDisConnectTexts, bManual);
}

TResult TManager::CloseReceipt() {
  return RunSimple(*this, ckCloseReceipt, kCloseReceiptTexts, true);
}

TResult TManager::Login(std::int32_t AClerkID, std::int32_t APassWord, bool bManual) {
  TResult result;
  if (bManual && !Lock()) {
    SetResult(rcError, Format("%s %s", "Login", kError), 0, result);
    return result;
  }
  TManualLock release(*this, bManual);
  TIniConfig& config = GetConfig();
  std::int32_t password = APassWord;
  {
    // The window may be applying new settings: WriteConfig stores them all.
    const auto hold = config.Hold();
    config.LastClerkID = AClerkID;
    config.LastClerkPassWord = APassWord;
    config.WriteConfig();
    if (password == 0) password = config.GetPassWord(AClerkID);
  }
  const TPackedData item =
      FPacker->PackClerkData({std::to_string(AClerkID), std::to_string(password)});
  return SendItem(item, 0);
}

bool TManager::Lock() {
  FSuspendWork = true;
  const std::int64_t start = platform::MonotonicMs();
  for (;;) {
    int expected = 0;
    if (FLocker.compare_exchange_strong(expected, 1)) return true;
    if (platform::MonotonicMs() - start >= LockWaitMs) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(kLockRetryMs));
  }
  FSuspendWork = false;
  return false;
}

void TManager::UnLock() {
  FSuspendWork = false;
  int expected = 1;
  FLocker.compare_exchange_strong(expected, 0);
}

// ------------------------------------------------------------------- reports

TResult TManager::PrintReport(TUploadReportMode Mode, bool bManual) {
  TResult result;
  const std::string failed = Format("%s %s", kPrintReport, kError);
  if (bManual && !Lock()) {
    SetResult(rcError, failed, 0, result);
    return result;
  }
  TManualLock release(*this, bManual);
  AddLog(llInfor, Format("%s...", kPrintReport), true);
  if (Mode == umZDailyReport) return PrintZReport();
  if (Mode != umXDailyReport) return result;
  SendReportCommand("101", result);
  if (result.Code != rcSuccess) {
    AddLog(llError, Format("%s,%s", failed, result.Msg), true);
    return result;
  }
  AddLog(llInfor, Format("%s %s", kPrintReport, kOK), true);
  WaitTerminate(ReportPauseMs);
  return result;
}

TResult TManager::PrintZReport() {
  const std::string failed = Format("%s %s", kPrintReport, kError);
  TResult result;
  TEcrProperties props;
  GetEcrProperties(*FLink, props, result);
  if (result.Code != rcSuccess) return result;
  if (props.Status == 0 && !(FPrompt != nullptr && FPrompt->AskPrintNow()))
    throw std::runtime_error("User Cancel");
  std::int32_t status = 0;
  std::int32_t attempts = 0;
  bool done = false;
  QueryEndDailyStatus(*FLink, 500, status, result, done, attempts);
  if (result.Code != rcSuccess) {
    AddLog(llError, Format("%s,%s", failed, result.Msg), true);
    return result;
  }
  const bool waiting = !done && status == kEndDailyWaiting && attempts <= kMaxTransferAttempts;
  if (waiting && !AskTransferConfirm()) {
    AddLog(llError, failed, true);
    SetResult(rcError, failed, 0, result);
    return result;
  }
  SendReportCommand("501", result);
  if (result.Code != rcSuccess) {
    AddLog(llError, Format("%s,%s", failed, result.Msg), true);
    return result;
  }
  if (done) {
    WaitTerminate(ReportPauseMs);
  } else if (!AskTransferConfirm()) {
    AddLog(llError, failed, true);
    SetResult(rcError, failed, 0, result);
    return result;
  }
  AddLog(llInfor, Format("%s %s", kPrintReport, kOK), true);
  SetResult(rcSuccess, std::string(), 0, result);
  return result;
}

bool TManager::AskTransferConfirm() {
  return FPrompt != nullptr && FPrompt->ShowTransferConfirm(*FLink);
}

void TManager::SendReportCommand(const std::string& Key, TResult& Result) {
  TBytes buf = GccEncode().GreekBytes(Key);
  const int len = static_cast<int>(buf.size());
  Result = FLink->SendBuffer(kCmdPrintReport, buf, 0, len, 10000, 6, kEcrId);
}

}  // namespace danvore
