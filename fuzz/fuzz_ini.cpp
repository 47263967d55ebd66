// The INI reader over arbitrary text: nothing may crash, a document written
// out reads back the same, and a key written is read back with its value
// while the other keys keep theirs.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/ini_file.h"

namespace {

using danvore::TIniDocument;

void Require(bool condition) {
  if (!condition) std::abort();
}

// A name or value made of letters and digits only, from the input's bytes.
std::string Word(const std::uint8_t* data, std::size_t size, std::size_t from, std::size_t len) {
  static const char kAlphabet[] = "abcXYZ019";
  std::string word;
  for (std::size_t i = from; i < from + len && i < size; ++i)
    word += kAlphabet[data[i] % 9];
  return word.empty() ? "k" : word;
}

void CheckRoundTrip(const TIniDocument& doc, const std::string& section, const std::string& key) {
  TIniDocument again;
  again.Parse(doc.Text());
  Require(again.Text() == doc.Text());
  Require(again.Read(section, key) == doc.Read(section, key));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string section = Word(data, size, 0, 3);
  const std::string key = Word(data, size, 3, 2);
  const std::string other = key + "2";
  const std::string value = Word(data, size, 5, 4);

  TIniDocument doc;
  doc.Parse(text);
  CheckRoundTrip(doc, section, key);
  const auto otherBefore = doc.Read(section, other);
  doc.Write(section, key, value);
  Require(doc.Read(section, key) == value);
  Require(doc.Read(section, other) == otherBefore);
  CheckRoundTrip(doc, section, key);
  return 0;
}
