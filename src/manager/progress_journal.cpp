#include "manager/progress_journal.h"

#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "core/format.h"
#include "platform/durable_store.h"
#include "platform/fs.h"
#include "platform/syserror.h"

namespace danvore {

namespace {

constexpr const char* kEntryExtension = ".progress";
constexpr const char* kHeaderWord = "DANVORE-PROGRESS 1";

std::uint32_t Fnv1a32(const std::string& Bytes) {
  std::uint32_t hash = 2166136261u;
  for (const unsigned char c : Bytes) {
    hash ^= c;
    hash *= 16777619u;
  }
  return hash;
}

std::uint64_t Fnv1a64(const std::string& Bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const unsigned char c : Bytes) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

// Fixed-width lower-case hex, the same on every platform's printf.
template <typename T>
std::string Hex(T Value) {
  std::string text(sizeof(T) * 2, '0');
  for (std::size_t i = text.size(); i > 0; --i, Value >>= 4)
    text[i - 1] = "0123456789abcdef"[Value & 0xF];
  return text;
}

std::string Sealed(const std::string& Payload) {
  return Payload + " #" + Hex(Fnv1a32(Payload)) + "\n";
}

std::string HeaderPayload(const std::string& Name, const std::string& Key) {
  return std::string(kHeaderWord) + " " + Key + " " + Name;
}

// The payloads of the complete lines whose check holds, up to the first one
// that is cut short or damaged; Intact false when something followed them.
struct TEntryText {
  std::vector<std::string> Payloads;
  bool Intact = true;
};

TEntryText ParseEntry(const std::string& Text) {
  TEntryText entry;
  std::size_t pos = 0;
  while (pos < Text.size()) {
    const std::size_t end = Text.find('\n', pos);
    const std::size_t mark = end == std::string::npos ? end : Text.rfind(" #", end);
    if (end == std::string::npos || mark == std::string::npos || mark < pos || end - mark != 10) {
      entry.Intact = false;
      return entry;
    }
    const std::string payload = Text.substr(pos, mark - pos);
    if (Text.compare(mark + 2, 8, Hex(Fnv1a32(payload))) != 0) {
      entry.Intact = false;
      return entry;
    }
    entry.Payloads.push_back(payload);
    pos = end + 1;
  }
  return entry;
}

// The command file name that an entry's header names; empty when the
// header is missing or damaged.
std::string HeaderName(const std::vector<std::string>& Payloads) {
  if (Payloads.empty()) return std::string();
  const std::string& header = Payloads.front();
  const std::string prefix = std::string(kHeaderWord) + " ";
  if (header.compare(0, prefix.size(), prefix) != 0) return std::string();
  // The key has two words: size and hash.
  std::size_t pos = prefix.size();
  for (int word = 0; word < 2 && pos != std::string::npos; ++word) {
    pos = header.find(' ', pos);
    if (pos != std::string::npos) ++pos;
  }
  return pos == std::string::npos ? std::string() : header.substr(pos);
}

TFileProgress Replay(const std::vector<std::string>& Payloads) {
  TFileProgress progress;
  for (std::size_t i = 1; i < Payloads.size(); ++i) {
    const std::string& record = Payloads[i];
    if (record.size() < 3 || record[1] != ' ') break;
    const int line = std::atoi(record.c_str() + 2);
    if (line <= 0) break;
    switch (record[0]) {
      case 'F':
        progress.InFlight = line;
        break;
      case 'D':
        if (progress.InFlight == line) progress.InFlight = 0;
        break;
      case 'B':
        if (progress.InFlight == line) progress.InFlight = 0;
        progress.Boundary = line;
        break;
      case 'R':
        if (progress.InFlight == line) progress.InFlight = 0;
        break;
      default:
        return progress;
    }
  }
  return progress;
}

[[noreturn]] void ThrowWriteError(const std::string& Path) {
  throw std::runtime_error(
      Format("Cannot write file \"%s\". %s", Path, platform::LastSystemErrorText()));
}

}  // namespace

std::string ContentKey(const std::string& Bytes) {
  return std::to_string(Bytes.size()) + " " + Hex(Fnv1a64(Bytes));
}

TProgressJournal::TProgressJournal(std::string Folder)
    : FFolder(platform::IncludeTrailingPathDelimiter(Folder)) {}

std::string TProgressJournal::EntryPath(const std::string& Name) const {
  return FFolder + Name + kEntryExtension;
}

TFileProgress TProgressJournal::Open(const std::string& Name, const std::string& Key) {
  FEntryPath.clear();
  const std::string path = EntryPath(Name);
  const std::string header = HeaderPayload(Name, Key);
  std::string text;
  const TEntryText entry =
      platform::ReadWholeFile(path, text) ? ParseEntry(text) : TEntryText{{}, false};
  const bool same = !entry.Payloads.empty() && entry.Payloads.front() == header;
  if (!same || !entry.Intact) {
    // A fresh entry, or the intact part of a torn one: appends must not
    // continue a line cut short.
    std::string kept = Sealed(header);
    if (same)
      for (std::size_t i = 1; i < entry.Payloads.size(); ++i)
        kept += Sealed(entry.Payloads[i]);
    if (!platform::ForceDirectories(FFolder) || !platform::WriteFileAtomic(path, kept))
      ThrowWriteError(path);
  }
  FEntryPath = path;
  return same ? Replay(entry.Payloads) : TFileProgress{};
}

void TProgressJournal::Append(char Kind, int Line) {
  if (!Active()) return;
  if (!platform::DurableAppend(FEntryPath,
                               Sealed(std::string(1, Kind) + " " + std::to_string(Line))))
    ThrowWriteError(FEntryPath);
}

void TProgressJournal::InFlight(int Line) {
  Append('F', Line);
}

void TProgressJournal::Done(int Line) {
  Append('D', Line);
}

void TProgressJournal::Boundary(int Line) {
  Append('B', Line);
}

void TProgressJournal::Rerun(int Line) {
  Append('R', Line);
}

bool TProgressJournal::Finish(const std::string& Name) {
  const std::string path = EntryPath(Name);
  if (path == FEntryPath) FEntryPath.clear();
  return !platform::FileExists(path) || platform::DurableRemove(path);
}

int TProgressJournal::RemoveOrphans(const std::string& CommandFolder) {
  if (!platform::DirectoryExists(CommandFolder)) return 0;
  const std::string commands = platform::IncludeTrailingPathDelimiter(CommandFolder);
  int removed = 0;
  for (const std::string& file : platform::ListFiles(FFolder)) {
    std::string text;
    const std::string path = FFolder + file;
    if (platform::ReadWholeFile(path, text)) {
      const std::string name = HeaderName(ParseEntry(text).Payloads);
      if (!name.empty() && path == EntryPath(name) && platform::FileExists(commands + name))
        continue;
    }
    if (path != FEntryPath && platform::DurableRemove(path)) ++removed;
  }
  return removed;
}

}  // namespace danvore
