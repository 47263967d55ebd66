#include "core/config.h"

#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <utility>

#include "core/format.h"
#include "core/ini_file.h"
#include "core/program_dir.h"

namespace danvore {

namespace {

constexpr const char* kSystem = "System";
constexpr const char* kClerk = "Clerk";

bool IsDigit(char c, int base) {
  if (c >= '0' && c <= '9') return true;
  return base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

// Decimal with an optional sign, or "0x"/"0X" hexadecimal of up to 32 bits
// (0xFFFFFFFF is -1); nothing for any other text or a value out of range.
std::optional<std::int32_t> ParseInteger(const std::string& text) {
  std::size_t pos = 0;
  int base = 10;
  bool negative = false;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    pos = 2;
  } else if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    pos = 1;
  }
  if (pos >= text.size()) return std::nullopt;
  const std::int64_t limit = base == 16 ? 0xFFFFFFFFLL : (negative ? 0x80000000LL : 0x7FFFFFFFLL);
  std::int64_t value = 0;
  for (; pos < text.size(); ++pos) {
    if (!IsDigit(text[pos], base)) return std::nullopt;
    value = value * base + DigitValue(text[pos]);
    if (value > limit) return std::nullopt;
  }
  if (negative) value = -value;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::int32_t ReadInteger(const TIniDocument& ini, const char* section, const std::string& key,
                         std::int32_t fallback) {
  const auto text = ini.Read(section, key);
  if (!text) return fallback;
  return ParseInteger(*text).value_or(fallback);
}

std::string ReadString(const TIniDocument& ini, const char* key, const char* fallback) {
  return ini.Read(kSystem, key).value_or(fallback);
}

bool ReadBool(const TIniDocument& ini, const char* key, bool fallback) {
  return ReadInteger(ini, kSystem, key, fallback ? 1 : 0) != 0;
}

std::string IntText(std::int32_t value) {
  return std::to_string(value);
}

std::string BoolText(bool value) {
  return value ? "1" : "0";
}

std::mutex& InstanceLock() {
  static std::mutex lock;
  return lock;
}

std::unique_ptr<TIniConfig>& Instance() {
  static std::unique_ptr<TIniConfig> instance;
  return instance;
}

}  // namespace

TIniConfig::TIniConfig(std::string iniPath) : FIniPath(std::move(iniPath)) {}

void TIniConfig::ReadConfig() {
  const auto hold = Hold();
  TIniDocument ini;
  ini.LoadFromFile(FIniPath);
  ConnKind = ReadInteger(ini, kSystem, "ConnKind", 0);
  Host = ReadString(ini, "Host", "COM1");
  Port = ReadInteger(ini, kSystem, "Port", 9600);
  InEncodingName = ReadString(ini, "InEncodingName", "Default");
  OutEncodingName = ReadString(ini, "OutEncodingName", "Default");
  SourceDataPath = ReadString(ini, "SourceDataPath", "");
  AnswerPath = ReadString(ini, "AnswerPath", "");
  AllVoidBeforeProcessFile = ReadBool(ini, "AllVoidBeforeProcessFile", true);
  BootWithWindow = ReadBool(ini, "BootWithWindow", false);
  LastClerkID = ReadInteger(ini, kSystem, "LastClerkID", 1);
  LastClerkPassWord = ReadInteger(ini, kSystem, "LastClerkPassWord", 0);
  DecimalType = ReadInteger(ini, kSystem, "DecimalType", 0);
  // Held in memory only; the next WriteConfig stores it.
  if (AnswerPath.empty()) AnswerPath = DefaultAnswerPath();
}

void TIniConfig::WriteConfig() {
  const std::runtime_error failure(Format("Unable to write to %s", FIniPath));
  const auto hold = Hold();
  TIniDocument ini;
  // A file that exists but cannot be read must not be replaced by a copy
  // that lost its other sections.
  if (!ini.LoadFromFile(FIniPath)) throw failure;
  const std::pair<const char*, std::string> keys[] = {
      {"ConnKind", IntText(ConnKind)},
      {"Host", Host},
      {"Port", IntText(Port)},
      {"InEncodingName", InEncodingName},
      {"OutEncodingName", OutEncodingName},
      {"SourceDataPath", SourceDataPath},
      {"AnswerPath", AnswerPath},
      {"BootWithWindow", BoolText(BootWithWindow)},
      {"AllVoidBeforeProcessFile", BoolText(AllVoidBeforeProcessFile)},
      {"LastClerkID", IntText(LastClerkID)},
      {"LastClerkPassWord", IntText(LastClerkPassWord)},
      {"DecimalType", IntText(DecimalType)},
  };
  // A value with a line break is refused before anything reaches the disk,
  // so the file keeps its previous content.
  for (const auto& [key, value] : keys)
    if (!ini.Write(kSystem, key, value)) throw failure;
  if (!ini.SaveToFile(FIniPath)) throw failure;
}

std::int32_t TIniConfig::GetPassWord(std::int32_t ClerkID) const {
  const auto hold = Hold();
  TIniDocument ini;
  ini.LoadFromFile(FIniPath);
  return ReadInteger(ini, kClerk, Format("ClerkID%d", ClerkID), 0);
}

TIniConfig& GetConfig() {
  std::lock_guard<std::mutex> lock(InstanceLock());
  if (!Instance()) Instance() = std::make_unique<TIniConfig>(ConfigFilePath());
  return *Instance();
}

void FreeConfig() {
  std::lock_guard<std::mutex> lock(InstanceLock());
  Instance().reset();
}

}  // namespace danvore
