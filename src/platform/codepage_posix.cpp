#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <string>

#include "platform/codepage.h"
#include "platform/utf.h"

namespace danvore::platform {

namespace {

// One iconv conversion descriptor, closed on destruction.
class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (Valid()) iconv_close(cd_);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;

  bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  std::size_t Convert(char** in, std::size_t* inLeft, char** out, std::size_t* outLeft) {
    return iconv(cd_, in, inLeft, out, outLeft);
  }
  void ResetState() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

 private:
  iconv_t cd_;
};

// The charset of the user's locale, read once without touching the
// process's global locale.
const std::string& LocaleCharset() {
  static const std::string charset = [] {
    locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr)) {
      locale = newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
    }
    if (locale == static_cast<locale_t>(nullptr)) return std::string("ANSI_X3.4-1968");
    std::string name = nl_langinfo_l(CODESET, locale);
    freelocale(locale);
    return name;
  }();
  return charset;
}

// US-ASCII never gets here: it is converted without the platform.
std::string IconvName(int codePage) {
  return codePage == kDefaultCodePage ? LocaleCharset() : "CP" + std::to_string(codePage);
}

// Length of the UTF-8 sequence that starts with `lead` (input is well-formed).
std::size_t Utf8SequenceLength(unsigned char lead) {
  if (lead < 0xC0) return 1;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  return 4;
}

std::size_t SkipOneByte(std::string_view) {
  return 1;
}
std::size_t SkipOneCharacter(std::string_view rest) {
  return std::min(rest.size(), Utf8SequenceLength(static_cast<unsigned char>(rest.front())));
}

// Runs the whole input through iconv; where it stops at input it cannot
// convert, `skip` tells how much to drop and `replacement` is written instead.
std::string ConvertAll(IconvHandle& handle, std::string input,
                       std::size_t (*skip)(std::string_view), std::string_view replacement) {
  std::string out;
  std::array<char, 1024> chunk{};
  char* in = input.data();
  std::size_t inLeft = input.size();
  while (inLeft > 0) {
    char* cursor = chunk.data();
    std::size_t outLeft = chunk.size();
    const std::size_t result = handle.Convert(&in, &inLeft, &cursor, &outLeft);
    out.append(chunk.data(), static_cast<std::size_t>(cursor - chunk.data()));
    if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
    const std::size_t count = skip(std::string_view(in, inLeft));
    in += count;
    inLeft -= count;
    out += replacement;
    handle.ResetState();
  }
  char* cursor = chunk.data();
  std::size_t outLeft = chunk.size();
  handle.Convert(nullptr, nullptr, &cursor, &outLeft);
  out.append(chunk.data(), static_cast<std::size_t>(cursor - chunk.data()));
  return out;
}

}  // namespace

namespace detail {

std::optional<std::string> NativeCodePageToUtf8(int codePage, std::string_view bytes) {
  IconvHandle handle("UTF-8", IconvName(codePage).c_str());
  if (!handle.Valid()) return std::nullopt;
  // A UTF-8 locale lets malformed bytes through iconv unchanged; the round
  // through UTF-16 turns them into U+FFFD as well.
  return Utf16ToUtf8(
      Utf8ToUtf16(ConvertAll(handle, std::string(bytes), SkipOneByte, "\xEF\xBF\xBD")));
}

std::optional<std::string> NativeUtf8ToCodePage(int codePage, std::string_view text) {
  IconvHandle handle(IconvName(codePage).c_str(), "UTF-8");
  if (!handle.Valid()) return std::nullopt;
  // Malformed UTF-8 becomes U+FFFD first, so every stop is a character
  // that the code page lacks.
  std::string clean = Utf16ToUtf8(Utf8ToUtf16(std::string(text)));
  return ConvertAll(handle, std::move(clean), SkipOneCharacter, "?");
}

}  // namespace detail

}  // namespace danvore::platform
