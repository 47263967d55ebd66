// A program folder for danvore-cli whose Config.Ini points at the register
// simulator of the test over loopback TCP.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "ecr-sim/simulator.h"
#include "platform/fs.h"
#include "support/temp_dir.h"

namespace danvore::test {

// Files with `extension` under `folder` and its sub-folders.
inline std::vector<std::filesystem::path> FilesUnder(const std::filesystem::path& folder,
                                                     const std::string& extension) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
    if (it->is_regular_file() && it->path().extension() == extension) files.push_back(it->path());
  return files;
}

class TCliHomeTest : public ::testing::Test {
 protected:
  // Starts the simulator and writes Config.Ini with `settings` (lines ending
  // in CRLF) added to its [System] section.
  void MakeHome(const std::string& settings) {
    std::filesystem::create_directories(In());
    port = simulator.StartTcp("127.0.0.1", 0);
    const std::string ini =
        "[System]\r\nConnKind=1\r\nHost=127.0.0.1\r\nPort=" + std::to_string(port) +
        "\r\nSourceDataPath=" + In().string() + "\r\nAnswerPath=" + Answers().string() + "\r\n" +
        settings;
    platform::WriteFileAtomic((home / "Config.Ini").string(), ini);
  }
  void TearDown() override { simulator.Stop(); }

  std::filesystem::path In() const { return home / "in"; }
  std::filesystem::path Answers() const { return home / "answer"; }

  TTempDir folder;
  std::filesystem::path home{folder.Path()};
  sim::TSimulator simulator;
  std::uint16_t port = 0;
};

}  // namespace danvore::test
