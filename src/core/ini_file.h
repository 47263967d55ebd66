// A small INI document that edits keys in place: every other line, comment,
// key and section stays exactly where it was. Section and key names match
// without regard to (ASCII) case; blanks around names and values are not
// part of them.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace danvore {

class TIniDocument {
 public:
  // Replaces the content with the text; a leading UTF-8 byte-order mark is
  // skipped. Lines may end with CR LF or LF.
  void Parse(const std::string& text);
  // The document as text; lines end the way the parsed text ended them
  // (CR LF for a new document).
  std::string Text() const;

  // False when the file exists but cannot be read; a missing file reads as
  // an empty document.
  bool LoadFromFile(const std::string& path);
  // Replaces the file atomically; false on failure.
  bool SaveToFile(const std::string& path) const;

  // The value of the first such key in the first such section, trimmed.
  std::optional<std::string> Read(const std::string& section, const std::string& key) const;
  // Updates the key in place, or adds it at the end of the section, or adds
  // the section at the end of the document. False, with the document
  // unchanged, when a name or the value holds a CR or LF: the break would
  // turn the rest into lines of their own, even other sections and keys.
  bool Write(const std::string& section, const std::string& key, const std::string& value);

 private:
  struct TSectionRange {
    std::size_t Begin;  // first line after the header
    std::size_t End;    // the next header or the end of the document
  };
  std::optional<TSectionRange> FindSection(const std::string& section) const;
  std::optional<std::size_t> FindKey(const TSectionRange& range, const std::string& key) const;

  std::vector<std::string> FLines;
  bool FCrLf = true;  // line ends of the parsed text: CR LF or LF
};

}  // namespace danvore
