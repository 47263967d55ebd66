// Text encodings of command and answer files: the five choices of the
// settings window, by list position.
#pragma once

#include <memory>
#include <string>

namespace danvore {

class TTextEncoding {
 public:
  virtual ~TTextEncoding() = default;
  // Bytes of a file to UTF-8 text. Never fails: bytes the code page does not
  // define become U+FFFD.
  virtual std::string Decode(const std::string& bytes) const = 0;
  // UTF-8 text to bytes; characters the code page cannot represent become its
  // replacement character. No byte-order mark.
  virtual std::string Encode(const std::string& text) const = 0;
  // The code page number (0 for the system's default code page).
  virtual int CodePage() const = 0;
};

// Position 0 "Default" (the system's ANSI code page / the locale's charset),
// 1 "ASCII" (20127), 2 "437", 3 "737", 4 "1253"; any other position gives
// the default code page.
std::unique_ptr<TTextEncoding> MakeTextEncoding(int position);

// The list of choices, in order, as the settings window shows them.
const char* const* EncodingChoices();  // 5 entries
constexpr int kEncodingChoiceCount = 5;
// Position of a choice by its text, compared without regard to case; -1 when none.
int EncodingPosition(const std::string& name);

}  // namespace danvore
