#include "manager/command_file.h"

#include "core/format.h"
#include "platform/fs.h"

namespace danvore {

void SplitTextLines(const std::string& Text, std::vector<std::string>& Lines) {
  Lines.clear();
  std::size_t start = 0;
  for (std::size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] != '\r' && Text[i] != '\n') continue;
    Lines.push_back(Text.substr(start, i - start));
    if (Text[i] == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < Text.size()) Lines.push_back(Text.substr(start));
}

bool IsBlankLine(const std::string& Line) {
  for (const char c : Line)
    if (static_cast<unsigned char>(c) > ' ') return false;
  return true;
}

std::string DatedAnswerFolder(const std::string& AnswerDir, const platform::TLocalTime& Date) {
  return platform::IncludeTrailingPathDelimiter(
      AnswerDir + Format("%02d%02d%02d", Date.Year % 100, Date.Month, Date.Day));
}

std::string AnswerStem(const std::string& Folder, const std::string& Name,
                       const platform::TLocalTime& Time) {
  const std::size_t dot = Name.find_last_of('.');
  const std::string base = dot == std::string::npos ? Name : Name.substr(0, dot);
  return Folder + base + Format("_%02d%02d%02d", Time.Hour, Time.Minute, Time.Second);
}

std::string AnswerText(const std::vector<std::string>& Lines) {
  std::string text;
  for (const std::string& line : Lines)
    text += line + "\r\n";
  return text;
}

std::string ErrorText(const std::vector<std::string>& Lines, const std::string& Message) {
  std::string text = AnswerText(Lines) + "\r\n";
  for (std::size_t i = 0; i < Message.size(); ++i) {
    if (Message[i] == '\r' && i + 1 < Message.size() && Message[i + 1] == '\n') {
      text += '\t';
      ++i;
    } else {
      text += Message[i];
    }
  }
  return text;
}

}  // namespace danvore
