// Collects the log lines written while a test runs.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "core/logger.h"
#include "support/wait_until.h"

namespace danvore::test {

struct TLogLine {
  TLogLevel Level;
  std::string Text;
};

// Every line passed to WriteLog while it lives.
class TLogCapture {
 public:
  TLogCapture() {
    SetLogTap([this](TLogLevel level, const std::string& text) {
      std::lock_guard<std::mutex> lock(FMutex);
      FLines.push_back({level, text});
    });
  }
  ~TLogCapture() { SetLogTap(nullptr); }
  TLogCapture(const TLogCapture&) = delete;
  TLogCapture& operator=(const TLogCapture&) = delete;

  std::vector<TLogLine> Lines() const {
    std::lock_guard<std::mutex> lock(FMutex);
    return FLines;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(FMutex);
    FLines.clear();
  }
  // Texts of the lines that start with `prefix`.
  std::vector<std::string> Starting(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const TLogLine& line : Lines()) {
      if (line.Text.rfind(prefix, 0) == 0) found.push_back(line.Text);
    }
    return found;
  }
  int Count(const std::string& text) const {
    int n = 0;
    for (const TLogLine& line : Lines())
      n += line.Text == text ? 1 : 0;
    return n;
  }
  bool Has(const std::string& text) const { return Count(text) > 0; }
  bool Has(TLogLevel level, const std::string& text) const {
    for (const TLogLine& line : Lines())
      if (line.Level == level && line.Text == text) return true;
    return false;
  }
  bool HasPart(const std::string& part) const {
    for (const TLogLine& line : Lines())
      if (line.Text.find(part) != std::string::npos) return true;
    return false;
  }
  bool WaitFor(const std::string& text, int timeoutMs = 20000) const {
    return WaitUntil([&] { return Has(text); }, timeoutMs);
  }
  bool WaitForPart(const std::string& part, int timeoutMs = 20000) const {
    return WaitUntil([&] { return HasPart(part); }, timeoutMs);
  }
  // Position of the first line equal to `text`; -1 when none.
  int IndexOf(const std::string& text) const {
    const std::vector<TLogLine> lines = Lines();
    for (std::size_t i = 0; i < lines.size(); ++i)
      if (lines[i].Text == text) return static_cast<int>(i);
    return -1;
  }

 private:
  mutable std::mutex FMutex;
  std::vector<TLogLine> FLines;
};

}  // namespace danvore::test
