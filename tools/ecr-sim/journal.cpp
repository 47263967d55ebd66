#include "ecr-sim/journal.h"

#include "ecr-sim/file_append.h"

namespace danvore::sim {

void TJournal::Print(const std::string& text) {
  FText += text;
  FUnwritten += text;
}

void TJournal::Flush() {
  if (FPath.empty() || FUnwritten.empty()) {
    FUnwritten.clear();
    return;
  }
  if (AppendToTextFile(FPath, FUnwritten)) FUnwritten.clear();
}

}  // namespace danvore::sim
