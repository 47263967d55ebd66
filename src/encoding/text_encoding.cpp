#include "encoding/text_encoding.h"

#include <cctype>

#include "platform/codepage.h"

namespace danvore {

namespace {

constexpr const char* kChoices[kEncodingChoiceCount] = {"Default", "ASCII", "437", "737", "1253"};
constexpr int kCodePages[kEncodingChoiceCount] = {platform::kDefaultCodePage,
                                                  platform::kAsciiCodePage, 437, 737, 1253};

class TCodePageEncoding final : public TTextEncoding {
 public:
  explicit TCodePageEncoding(int codePage) : codePage_(codePage) {}

  std::string Decode(const std::string& bytes) const override {
    return platform::CodePageToUtf8(codePage_, bytes);
  }
  std::string Encode(const std::string& text) const override {
    return platform::Utf8ToCodePage(codePage_, text);
  }
  int CodePage() const override { return codePage_; }

 private:
  int codePage_;
};

bool SameIgnoringCase(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (std::tolower(x) != std::tolower(y)) return false;
  }
  return i == a.size() && b[i] == '\0';
}

}  // namespace

std::unique_ptr<TTextEncoding> MakeTextEncoding(int position) {
  const bool listed = position >= 0 && position < kEncodingChoiceCount;
  return std::make_unique<TCodePageEncoding>(listed ? kCodePages[position]
                                                    : platform::kDefaultCodePage);
}

const char* const* EncodingChoices() {
  return kChoices;
}

int EncodingPosition(const std::string& name) {
  for (int i = 0; i < kEncodingChoiceCount; ++i) {
    if (SameIgnoringCase(name, kChoices[i])) return i;
  }
  return -1;
}

}  // namespace danvore
