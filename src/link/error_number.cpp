#include <cstdint>
#include <string>

#include "core/trim.h"
#include "link/hecr_link.h"
#include "platform/utf.h"

namespace danvore {

namespace {

// "ΛAΘOΣ": the word that introduces the error number in a register text.
const std::u16string kMarker =
    u"\u039B"
    u"A"
    u"\u0398"
    u"O"
    u"\u03A3";

// Upper case for ASCII and the basic Greek letters, enough for the marker.
char16_t UpperCase(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  if (c == 0x03C2) return 0x03A3;  // final sigma
  if (c >= 0x03B1 && c <= 0x03C9) return static_cast<char16_t>(c - 0x20);
  return c;
}

std::u16string RemoveIgnoringCase(const std::u16string& line, const std::u16string& word) {
  std::u16string upper(line);
  for (char16_t& c : upper)
    c = UpperCase(c);
  std::u16string rest;
  for (std::size_t i = 0; i < line.size();) {
    if (upper.compare(i, word.size(), word) == 0) {
      i += word.size();
    } else {
      rest.push_back(line[i++]);
    }
  }
  return rest;
}

// Decimal integer after trimming blanks and control characters.
bool ReadInteger(const std::u16string& whole, std::int32_t& value) {
  const std::u16string_view text = TrimControls(whole);
  std::size_t first = 0;
  const std::size_t last = text.size();
  bool negative = false;
  if (first < last && (text[first] == u'-' || text[first] == u'+')) {
    negative = text[first++] == u'-';
  }
  if (first == last) return false;
  std::int64_t number = 0;
  for (std::size_t i = first; i < last; ++i) {
    if (text[i] < u'0' || text[i] > u'9') return false;
    number = number * 10 + (text[i] - u'0');
    if (number > 0x80000000LL) return false;
  }
  if (negative) number = -number;
  if (number > 0x7FFFFFFFLL) return false;
  value = static_cast<std::int32_t>(number);
  return true;
}

}  // namespace

int ParseErrorNumber(const std::string& text) {
  const std::u16string all = platform::Utf8ToUtf16(text);
  std::size_t start = 0;
  while (start < all.size()) {
    std::size_t end = all.find_first_of(u"\r\n", start);
    if (end == std::u16string::npos) end = all.size();
    const std::u16string line = all.substr(start, end - start);
    start = end + 1;
    if (end + 1 < all.size() && all[end] == u'\r' && all[end + 1] == u'\n') ++start;
    std::int32_t number = 0;
    if (line.find(kMarker) != std::u16string::npos &&
        ReadInteger(RemoveIgnoringCase(line, kMarker), number) && number != -1) {
      return number;
    }
  }
  return -1;
}

}  // namespace danvore
