// Config.Ini in the program folder: the settings of the bridge.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace danvore {

class TIniConfig {
 public:
  // Binds to the file; reads nothing. Every setting starts as 0, empty or false.
  explicit TIniConfig(std::string iniPath);

  // Loads section "System" with the defaults of missing or unreadable keys.
  void ReadConfig();
  // Stores the twelve keys of section "System"; keeps every other section,
  // key and comment; replaces the file atomically. Throws std::runtime_error
  // "Unable to write to <path>" when the file cannot be written or a value
  // holds a CR or LF; the file is then left as it was.
  void WriteConfig();
  // Section "Clerk", key "ClerkID<n>"; 0 when missing or not a number.
  std::int32_t GetPassWord(std::int32_t ClerkID) const;

  const std::string& IniPath() const { return FIniPath; }

  // The window changes the settings while the worker's thread reads them
  // and stores the last clerk: either side holds this while it touches the
  // settings. ReadConfig, WriteConfig and GetPassWord take it themselves, so
  // two writers never interleave their load and save of the file either.
  [[nodiscard]] std::unique_lock<std::recursive_mutex> Hold() const {
    return std::unique_lock<std::recursive_mutex>(FGuard);
  }

  std::int32_t ConnKind = 0;
  std::string Host;
  std::int32_t Port = 0;
  std::string SourceDataPath;
  bool ClearFiles = false;
  std::string InEncodingName;
  std::string OutEncodingName;
  bool BootWithWindow = false;
  std::string AnswerPath;
  std::int32_t LastClerkID = 0;
  std::int32_t LastClerkPassWord = 0;
  std::int32_t DecimalType = 0;
  bool AllVoidBeforeProcessFile = false;
  // Never stored: false once the application is shutting down, which makes
  // every transport read and write fail at once.
  std::atomic<bool> AppRunning{false};

 private:
  std::string FIniPath;
  mutable std::recursive_mutex FGuard;
};

// The process-wide instance, bound to ConfigFilePath(); created on first use.
TIniConfig& GetConfig();
// Destroys the process-wide instance; the next GetConfig creates a new one.
void FreeConfig();

}  // namespace danvore
