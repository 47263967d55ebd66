// The text formats around one command file: its lines, the dated answer
// folder, the answer stem and the contents of answer and error files.
#pragma once

#include <string>
#include <vector>

#include "platform/clock.h"

namespace danvore {

// Splits text at CR LF, a lone CR or a lone LF into Lines (cleared first).
// A break after the last line adds no empty line.
void SplitTextLines(const std::string& Text, std::vector<std::string>& Lines);

// True when nothing but blanks and control characters (up to U+0020) is left
// after trimming both ends.
bool IsBlankLine(const std::string& Line);

// AnswerDir (with its trailing separator) + "yyMMdd" + separator.
std::string DatedAnswerFolder(const std::string& AnswerDir, const platform::TLocalTime& Date);

// Folder + Name with its last extension replaced by "_hhmmss".
std::string AnswerStem(const std::string& Folder, const std::string& Name,
                       const platform::TLocalTime& Time);

// The lines, each followed by CR LF.
std::string AnswerText(const std::vector<std::string>& Lines);

// AnswerText, one more CR LF, then the message with each CR LF turned into a
// TAB and no break at the end.
std::string ErrorText(const std::vector<std::string>& Lines, const std::string& Message);

}  // namespace danvore
