// A durable record of how far the worker got with one command file, so that
// a file retried after a passing failure (or after the bridge died) does
// not send again a receipt that the register has already closed.
//
// One entry per command file, in the entry folder, named after the file and
// tied to its content: the file's size and a 64-bit FNV-1a hash of its bytes.
// FNV-1a is no cryptographic hash; it tells an edited or replaced file from
// the one in hand, which is all that is needed here (the command files come
// from a program we trust, and a changed file also has to keep its size to
// collide). Every record is flushed to the disk before the call returns.
//
// An entry is a text file of lines, each ending in " #" and the FNV-1a (32
// bits, hex) of what precedes it: a header with the file's size, hash and
// name, then one record per step: "F n" line n is about to be sent, "D n"
// line n succeeded, "B n" line n succeeded and left no receipt open, "R n"
// line n, in flight when an earlier attempt stopped, closed no receipt: the
// lines after the last boundary run again.
// A line that is cut short or fails its check ends the entry there: a crash
// in the middle of an append loses that record only.
#pragma once

#include <cstdint>
#include <string>

namespace danvore {

struct TFileProgress {
  // The last line (counted from 1) after which no receipt was open; 0: none.
  int Boundary = 0;
  // A line that was being sent when the work stopped, with no outcome
  // recorded; 0: none.
  int InFlight = 0;
};

// Size and FNV-1a hash of the bytes, as the entries hold them.
std::string ContentKey(const std::string& Bytes);

class TProgressJournal {
 public:
  // Folder: where the entries live; it is created when the first one is.
  explicit TProgressJournal(std::string Folder);

  const std::string& Folder() const { return FFolder; }
  // Makes the entry of command file Name (file name only) with content
  // Key the active one and returns what it recorded. An entry of another
  // content under that name is replaced by a fresh one. Throws
  // std::runtime_error when the entry cannot be written.
  // Key: ContentKey of the file's bytes.
  TFileProgress Open(const std::string& Name, const std::string& Key);
  bool Active() const { return !FEntryPath.empty(); }

  // Records of the active entry; without one they do nothing. Each throws
  // std::runtime_error when the record cannot be made durable.
  void InFlight(int Line);
  void Done(int Line);
  void Boundary(int Line);
  void Rerun(int Line);

  // Leaves the entry on the disk for a later retry.
  void Close() { FEntryPath.clear(); }
  // Command file Name reached its final outcome and is gone: its entry goes,
  // whether it is the active one or not. False when the entry could not be
  // removed.
  bool Finish(const std::string& Name);

  // Removes every entry whose command file is not in CommandFolder any more
  // (and whatever in the entry folder is no readable entry). Does nothing
  // when CommandFolder itself is missing: an unreachable folder says nothing
  // about its files. Returns the number of entries removed.
  int RemoveOrphans(const std::string& CommandFolder);

  // Path of the entry of command file Name.
  std::string EntryPath(const std::string& Name) const;

 private:
  void Append(char Kind, int Line);

  std::string FFolder;
  std::string FEntryPath;
};

}  // namespace danvore
