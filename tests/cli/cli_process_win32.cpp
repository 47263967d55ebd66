#include <process.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "cli/cli_process.h"

namespace danvore::test {

namespace {

void AppendQuoted(std::string& command, const std::string& word) {
  command.push_back('"');
  command.append(word);
  command.push_back('"');
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TCliRun RunDanvoreCli(const std::vector<std::string>& args) {
  const std::string program = std::string(DANVORE_BINARY_DIR) + "/src/cli/danvore-cli.exe";
  const std::filesystem::path temp = std::filesystem::temp_directory_path();
  // Names of their own, so that test programs running side by side do not
  // read each other's output.
  static std::atomic<int> runs{0};
  const std::string stem =
      "danvore-cli-test-" + std::to_string(_getpid()) + "-" + std::to_string(++runs);
  const std::filesystem::path outPath = temp / (stem + ".out");
  const std::filesystem::path errPath = temp / (stem + ".err");
  // cmd.exe drops the outer pair of quotes of the whole line.
  std::string command = "\"";
  AppendQuoted(command, program);
  for (const std::string& arg : args) {
    command.push_back(' ');
    AppendQuoted(command, arg);
  }
  command.append(" >");
  AppendQuoted(command, outPath.string());
  command.append(" 2>");
  AppendQuoted(command, errPath.string());
  command.push_back('"');
  TCliRun run;
  run.ExitCode = std::system(command.c_str());
  run.Out = ReadAll(outPath);
  run.Err = ReadAll(errPath);
  std::filesystem::remove(outPath);
  std::filesystem::remove(errPath);
  return run;
}

}  // namespace danvore::test
