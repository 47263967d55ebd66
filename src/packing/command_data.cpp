#include "packing/command_data.h"

#include <cstddef>

namespace danvore {

const std::array<const char*, 24> CommandCodes = {
    "HL", "11", "SL",  "RF",  "DE",  "D%",  "TE",  "T%",  "CMO", "CR",  "ER",  "CL",
    "ZZ", "XX", "QQ",  "CN",  "DN",  "INV", "TBL", "TTR", "TCL", "TMP", "CMI", "UNSUPPORT",
};

namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Position of the next occurrence of `delimiter` in `text` from `from`,
// letters compared without regard to case; npos when there is none.
std::size_t FindDelimiter(std::string_view text, std::string_view delimiter, std::size_t from) {
  if (delimiter.size() > text.size()) return std::string_view::npos;
  for (std::size_t pos = from; pos + delimiter.size() <= text.size(); ++pos) {
    std::size_t k = 0;
    while (k < delimiter.size() && AsciiUpper(text[pos + k]) == AsciiUpper(delimiter[k])) ++k;
    if (k == delimiter.size()) return pos;
  }
  return std::string_view::npos;
}

// Stores `piece` at `index`, reusing the string already there.
void PutPiece(std::vector<std::string>& pieces, std::size_t index, std::string_view piece) {
  if (index < pieces.size()) {
    pieces[index].assign(piece);
  } else {
    pieces.emplace_back(piece);
  }
}

}  // namespace

TCommandKind LookupCommandKind(std::string_view code) {
  for (std::size_t i = 0; i < CommandCodes.size(); ++i) {
    const std::string_view entry = CommandCodes[i];
    if (entry.size() != code.size()) continue;
    std::size_t k = 0;
    while (k < code.size() && AsciiUpper(code[k]) == entry[k]) ++k;
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
    PutPiece(pieces, count++, line);
  } else {
    // Every delimiter ends the piece before it, including the one appended
    // to the line, so a trailing delimiter leaves an empty last field.
    std::size_t start = 0;
    while (start <= line.size()) {
      std::size_t end = FindDelimiter(line, delimiter, start);
      if (end == std::string_view::npos) end = line.size();
      PutPiece(pieces, count++, line.substr(start, end - start));
      start = end + delimiter.size();
    }
  }
  pieces.resize(count);
  data.Kind = LookupCommandKind(pieces.front());
  if (data.Kind == ckUnSupport) return;
  data.Datas.assign(pieces.begin() + 1, pieces.end());
}

}  // namespace danvore
