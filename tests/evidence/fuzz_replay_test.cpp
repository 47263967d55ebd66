// Every seed and every input that a fuzz target once failed on, replayed
// through the target's own checks: a target aborts the program on a broken
// property, so a regression fails this test loudly.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "evidence/fuzz_replay.h"
#include "platform/fs.h"

namespace danvore {
namespace {

using TTarget = int (*)(const std::uint8_t*, std::size_t);

std::vector<std::string> InputsOf(const std::string& target) {
  std::vector<std::string> files;
  for (const char* folder : {"/fuzz/corpus/", "/fuzz/regressions/"}) {
    const std::filesystem::path dir = std::string(DANVORE_SOURCE_DIR) + folder + target;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error))
      if (entry.is_regular_file()) files.push_back(entry.path().string());
  }
  return files;
}

TEST(FuzzRegressionEvidence, EverySeedAndFormerFailurePasses) {
  // The command-file regression needs a UTF-8 locale behind the "Default"
  // encoding; ctest runs each test in a process of its own, so this is the
  // first look at the locale.
  setenv("LC_ALL", "C.UTF-8", 1);
  struct TCase {
    const char* Name;
    TTarget Target;
    std::size_t MinInputs;
  };
  const TCase cases[] = {
      {"fuzz_check_data", FuzzCheckDataOneInput, 3},
      {"fuzz_codec", FuzzCodecOneInput, 15},
      {"fuzz_command_file", FuzzCommandFileOneInput, 6},
      {"fuzz_ini", FuzzIniOneInput, 5},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::vector<std::string> inputs = InputsOf(c.Name);
    EXPECT_GE(inputs.size(), c.MinInputs) << "seeds or regressions went missing";
    for (const std::string& input : inputs) {
      std::string bytes;
      ASSERT_TRUE(platform::ReadWholeFile(input, bytes)) << input;
      std::cerr << "replaying " << input << "\n";  // names the input if a check aborts
      EXPECT_EQ(c.Target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
    }
  }
}

}  // namespace
}  // namespace danvore
