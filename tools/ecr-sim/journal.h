// What the register printed: kept in memory and appended to a text file
// (UTF-8) at the end of every receipt, report or free text.
#pragma once

#include <string>

namespace danvore::sim {

class TJournal {
 public:
  explicit TJournal(std::string path = std::string()) : FPath(std::move(path)) {}

  void Print(const std::string& text);
  // Appends what was printed since the last flush to the file.
  void Flush();
  const std::string& Text() const { return FText; }

 private:
  std::string FPath;
  std::string FText;
  std::string FUnwritten;
};

}  // namespace danvore::sim
