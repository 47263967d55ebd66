// The program folder: Config.Ini, log/ and the default Answer folder live
// here. Nothing else in the code computes these paths.
#pragma once

#include <string>

namespace danvore {

// With a trailing separator. By default the executable's folder.
std::string ProgramDir();
// Overrides the program folder (danvore-cli --home DIR, tests); a trailing
// separator is added. An empty text returns to the executable's folder.
void SetProgramDir(const std::string& dir);

std::string ConfigFilePath();     // ProgramDir() + "Config.Ini"
std::string DefaultLogDir();      // ProgramDir() + "log" + separator
std::string DefaultAnswerPath();  // ProgramDir() + "Answer"
// ProgramDir() + "progress" + separator: the worker's progress through the
// command files, kept out of the answer folders the other program reads.
std::string ProgressDir();
// The executable's path with its extension replaced by ".debug"; it follows
// the program folder when that was overridden.
std::string DebugFilePath();

}  // namespace danvore
