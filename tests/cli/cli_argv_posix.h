// The command line of the built danvore-cli, in the form execv takes.
#pragma once

#include <string>
#include <vector>

namespace danvore::test {

class TCliArgv {
 public:
  explicit TCliArgv(const std::vector<std::string>& args)
      : FWords{std::string(DANVORE_BINARY_DIR) + "/src/cli/danvore-cli"} {
    FWords.insert(FWords.end(), args.begin(), args.end());
    for (std::string& word : FWords)
      FArgv.push_back(word.data());
    FArgv.push_back(nullptr);
  }
  TCliArgv(const TCliArgv&) = delete;
  TCliArgv& operator=(const TCliArgv&) = delete;

  const char* Program() const { return FWords.front().c_str(); }
  char* const* Argv() const { return FArgv.data(); }

 private:
  std::vector<std::string> FWords;
  std::vector<char*> FArgv;
};

}  // namespace danvore::test
