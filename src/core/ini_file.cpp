#include "core/ini_file.h"

#include "platform/codepage.h"
#include "platform/fs.h"
#include "platform/utf.h"

namespace danvore {

namespace {

bool IsBlankChar(char c) {
  return c == ' ' || c == '\t';
}

std::string Trim(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlankChar(text[begin]))
    ++begin;
  while (end > begin && IsBlankChar(text[end - 1]))
    --end;
  return text.substr(begin, end - begin);
}

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

// The name of a "[name]" header line, or nothing for any other line.
std::optional<std::string> SectionName(const std::string& line) {
  const std::string text = Trim(line);
  if (text.empty() || text.front() != '[') return std::nullopt;
  const std::size_t close = text.find(']');
  if (close == std::string::npos) return std::nullopt;
  return Trim(text.substr(1, close - 1));
}

bool IsComment(const std::string& text) {
  return !text.empty() && (text.front() == ';' || text.front() == '#');
}

bool HasLineBreak(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}

constexpr const char* kUtf8Bom = "\xEF\xBB\xBF";

std::string Utf16Text(const std::string& bytes, bool bigEndian) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    units.push_back(
        static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first));
  }
  return platform::Utf16ToUtf8(units);
}

// The file as UTF-8, which this program writes. A file saved as "Unicode"
// by an editor (UTF-16 with its byte-order mark) or left by an older program
// in the system's code page is read as such, so that its folder names keep
// their letters; the next write stores it as UTF-8.
std::string FileText(const std::string& bytes) {
  if (bytes.starts_with("\xFF\xFE")) return Utf16Text(bytes, false);
  if (bytes.starts_with("\xFE\xFF")) return Utf16Text(bytes, true);
  if (platform::IsValidUtf8(bytes)) return bytes;
  return platform::CodePageToUtf8(platform::kDefaultCodePage, bytes);
}

}  // namespace

void TIniDocument::Parse(const std::string& text) {
  FLines.clear();
  std::size_t pos = 0;
  while (text.compare(pos, 3, kUtf8Bom) == 0)
    pos += 3;
  bool sawLineFeed = false;
  bool sawCrLf = false;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    const bool last = end == std::string::npos;
    if (last) end = text.size();
    std::string line = text.substr(pos, end - pos);
    if (!last) sawLineFeed = true;
    // A CR before the break, or closing the last line, ends the line.
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
      sawCrLf = true;
    }
    FLines.push_back(std::move(line));
    pos = end + 1;
  }
  FCrLf = sawCrLf || !sawLineFeed;
}

std::string TIniDocument::Text() const {
  std::string text;
  const char* lineBreak = FCrLf ? "\r\n" : "\n";
  for (const std::string& line : FLines) {
    text += line;
    text += lineBreak;
  }
  return text;
}

bool TIniDocument::LoadFromFile(const std::string& path) {
  std::string bytes;
  if (!platform::ReadWholeFile(path, bytes)) {
    Parse(std::string());
    return !platform::FileExists(path) && !platform::DirectoryExists(path);
  }
  Parse(FileText(bytes));
  return true;
}

bool TIniDocument::SaveToFile(const std::string& path) const {
  return platform::WriteFileAtomic(path, Text());
}

std::optional<TIniDocument::TSectionRange> TIniDocument::FindSection(
    const std::string& section) const {
  for (std::size_t i = 0; i < FLines.size(); ++i) {
    const auto name = SectionName(FLines[i]);
    if (!name || !SameName(*name, section)) continue;
    std::size_t end = i + 1;
    while (end < FLines.size() && !SectionName(FLines[end]))
      ++end;
    return TSectionRange{i + 1, end};
  }
  return std::nullopt;
}

std::optional<std::size_t> TIniDocument::FindKey(const TSectionRange& range,
                                                 const std::string& key) const {
  for (std::size_t i = range.Begin; i < range.End; ++i) {
    const std::string text = Trim(FLines[i]);
    if (IsComment(text)) continue;
    const std::size_t equals = text.find('=');
    if (equals != std::string::npos && SameName(Trim(text.substr(0, equals)), key)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> TIniDocument::Read(const std::string& section,
                                              const std::string& key) const {
  const auto range = FindSection(section);
  if (!range) return std::nullopt;
  const auto line = FindKey(*range, key);
  if (!line) return std::nullopt;
  const std::string& text = FLines[*line];
  return Trim(text.substr(text.find('=') + 1));
}

bool TIniDocument::Write(const std::string& section, const std::string& key,
                         const std::string& value) {
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) return false;
  const auto range = FindSection(section);
  if (!range) {
    if (!FLines.empty() && !Trim(FLines.back()).empty()) FLines.emplace_back();
    FLines.push_back("[" + section + "]");
    FLines.push_back(key + "=" + value);
    return true;
  }
  if (const auto line = FindKey(*range, key)) {
    // The key keeps the spelling the file gave it.
    const std::string& text = FLines[*line];
    FLines[*line] = Trim(text.substr(0, text.find('='))) + "=" + value;
    return true;
  }
  // After the section's last non-blank line, so that a blank line before
  // the next section stays where it is.
  std::size_t insertAt = range->End;
  while (insertAt > range->Begin && Trim(FLines[insertAt - 1]).empty())
    --insertAt;
  FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(insertAt), key + "=" + value);
  return true;
}

}  // namespace danvore
