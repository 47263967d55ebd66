#include "packing/command_data.h"

#include <cstddef>

namespace danvore {

const std::array<const char*, 24> CommandCodes = {
    "HL", "11", "SL", "RF", "DE", "D%",  "TE",  "T%",  "CMO", "CR",  "ER",  "CL",
    "ZZ", "XX", "QQ", "CN", "DN", "INV", "TBL", "TTR", "TCL", "TMP", "CMI", "UNSUPPORT",
};

namespace {

char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The line followed by one more delimiter, read in place: every delimiter in
// it ends a piece, so a trailing delimiter of the line leaves an empty last
// field while the appended one adds none.
class TDelimitedText {
 public:
  TDelimitedText(std::string_view line, std::string_view delimiter)
      : FLine(line), FDelimiter(delimiter) {}

  std::size_t Size() const { return FLine.size() + FDelimiter.size(); }
  char At(std::size_t i) const {
    return i < FLine.size() ? FLine[i] : FDelimiter[i - FLine.size()];
  }

  // Next occurrence of the delimiter from `from`, the letters a to z compared
  // without regard to case; Size() when there is none.
  std::size_t Find(std::size_t from) const {
    for (std::size_t pos = from; pos + FDelimiter.size() <= Size(); ++pos) {
      std::size_t k = 0;
      while (k < FDelimiter.size() && AsciiUpper(At(pos + k)) == AsciiUpper(FDelimiter[k]))
        ++k;
      if (k == FDelimiter.size()) return pos;
    }
    return Size();
  }

  void Copy(std::size_t begin, std::size_t end, std::string& out) const {
    out.clear();
    for (std::size_t i = begin; i < end; ++i)
      out += At(i);
  }

 private:
  std::string_view FLine;
  std::string_view FDelimiter;
};

// The slot for piece `index`, reusing the string already there.
std::string& PieceSlot(std::vector<std::string>& pieces, std::size_t index) {
  if (index == pieces.size()) pieces.emplace_back();
  return pieces[index];
}

}  // namespace

TCommandKind LookupCommandKind(std::string_view code) {
  for (std::size_t i = 0; i < CommandCodes.size(); ++i) {
    const std::string_view entry = CommandCodes[i];
    if (entry.size() != code.size()) continue;
    std::size_t k = 0;
    while (k < code.size() && AsciiUpper(code[k]) == entry[k])
      ++k;
    if (k == code.size()) return static_cast<TCommandKind>(i);
  }
  return ckUnSupport;
}

void ParseCommandLine(std::string_view line, std::string_view delimiter, TCommandData& data,
                      std::vector<std::string>& pieces) {
  data.Reset();
  std::size_t count = 0;
  if (delimiter.empty()) {
    // Nothing to split at: the whole line is the code.
    PieceSlot(pieces, count++).assign(line);
  } else {
    const TDelimitedText text(line, delimiter);
    std::size_t start = 0;
    while (start < text.Size()) {
      const std::size_t end = text.Find(start);
      text.Copy(start, end, PieceSlot(pieces, count++));
      start = end + delimiter.size();
    }
  }
  pieces.resize(count);
  data.Kind = LookupCommandKind(pieces.front());
  if (data.Kind == ckUnSupport) return;
  data.Datas.assign(pieces.begin() + 1, pieces.end());
}

}  // namespace danvore
