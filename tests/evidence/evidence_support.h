// Shared pieces of the fault and load evidence: the worker fixture of the
// worker tests plus the checks every fault ends with.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "encoding/text_encoding.h"
#include "manager/command_file.h"
#include "manager/worker_support.h"
#include "platform/clock.h"

namespace danvore::test {

constexpr int kGreekEncoding = 4;  // position of "1253" among the encodings

// A receipt of `sales` items and its payment: a file the register takes.
inline std::string ReceiptFile(int sales) {
  std::string text;
  for (int i = 0; i < sales; ++i)
    text += "SL/Item " + std::to_string(i) + "/1/1/1,00\r\n";
  return text + "CR/1/" + std::to_string(sales) + ",00\r\n";
}

// The peak resident set of this process so far, in KiB (VmHWM).
inline std::int64_t PeakRssKiB() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    std::int64_t value = 0;
    if (key == "VmHWM:" && status >> value) return value;
  }
  return 0;
}

// Sanitizers keep freed memory in quarantine, so bounds on memory are
// looser under them.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr std::int64_t kMemorySlackKiB = 1024 * 1024;
#else
constexpr std::int64_t kMemorySlackKiB = 0;
#endif

}  // namespace danvore::test
