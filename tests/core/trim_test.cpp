#include "core/trim.h"

#include <gtest/gtest.h>

#include <string>

namespace danvore {
namespace {

TEST(TrimControls, DropsPaddingUpToBlankOnBothEndsOnly) {
  const struct {
    std::string Text;
    std::string Trimmed;
  } cases[] = {
      {"", ""},
      {" \t\r\n\x01 ", ""},
      {"\x1F"
       "A b\x20\x7F",
       "A b \x7F"},
      // UTF-8 lead and trail bytes are above 0x7F and must not read as padding.
      {"\xCE\x9B"
       " ",
       "\xCE\x9B"},
      {" \xC3\xA9", "\xC3\xA9"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(std::string(TrimControls(c.Text)), c.Trimmed) << c.Text;
}

TEST(TrimControls, WorksOnUtf16Units) {
  EXPECT_EQ(std::u16string(TrimControls(std::u16string(u"\t\u039B 20\r\n"))), u"\u039B 20");
  // A no-break space is text, not padding.
  EXPECT_EQ(std::u16string(TrimControls(std::u16string(u"\u00A0x "))), u"\u00A0x");
  EXPECT_TRUE(TrimControls(std::u16string(u"\x01\x20")).empty());
}

}  // namespace
}  // namespace danvore
