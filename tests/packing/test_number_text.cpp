#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <limits>
#include <string>

#include "packing/packer.h"

namespace danvore {
namespace {

constexpr double kNoNumber = -777;

struct TDecimalCase {
  const char* text;
  TDecimalType type;
  double value;  // kNoNumber: the default comes back
};

TEST(ParseDecimal, MapsTheMarksByTheDecimalType) {
  const TDecimalCase cases[] = {
      {"12,5", dtComma, 12.5},
      {"1,5", dtComma, 1.5},
      {"1.5", dtComma, kNoNumber},
      {"1.234,50", dtComma, kNoNumber},
      {"12.5", dtDot, 12.5},
      {"1.5", dtDot, 1.5},
      {"12,5", dtDot, kNoNumber},
      {"1,234.50", dtDot, kNoNumber},
      {"2", dtComma, 2},
      {"2", dtDot, 2},
      {"-2,5", dtComma, -2.5},
      {"+3,25", dtComma, 3.25},
      {",5", dtComma, 0.5},
      {"5,", dtComma, 5},
      {"007,50", dtComma, 7.5},
      {"1,5e2", dtComma, 150},
      {"1.5E-1", dtDot, 0.15},
      {"2e+1", dtDot, 20},
      {" 2,5 ", dtComma, 2.5},
      {"\t2\t", dtDot, 2},
      {"", dtComma, kNoNumber},
      {" ", dtComma, kNoNumber},
      {",", dtComma, kNoNumber},
      {"-", dtComma, kNoNumber},
      {"+-1", dtComma, kNoNumber},
      {"--1", dtComma, kNoNumber},
      {"1,2,3", dtComma, kNoNumber},
      {"1 000", dtComma, kNoNumber},
      {"abc", dtComma, kNoNumber},
      {"12abc", dtComma, kNoNumber},
      {"1e", dtDot, kNoNumber},
      {"e5", dtDot, kNoNumber},
      {"1e999", dtDot, kNoNumber},
      {"inf", dtDot, kNoNumber},
      {"nan", dtDot, kNoNumber},
      {"0x10", dtDot, kNoNumber},
      {"1\n", dtDot, kNoNumber},
  };
  TPacker packer;
  for (const TDecimalCase& c : cases) {
    packer.DecimalType = c.type;
    EXPECT_DOUBLE_EQ(packer.ParseDecimal(c.text, kNoNumber), c.value)
        << '"' << c.text << "\" with " << (c.type == dtDot ? "dot" : "comma");
  }
}

struct TIntegerCase {
  const char* text;
  std::int32_t value;  // -777: the default comes back
};

TEST(ParseInteger, ReadsWholeNumbersOnly) {
  const TIntegerCase cases[] = {
      {"42", 42},
      {"-3", -3},
      {"+5", 5},
      {"007", 7},
      {" 7 ", 7},
      {"2147483647", std::numeric_limits<std::int32_t>::max()},
      {"-2147483648", std::numeric_limits<std::int32_t>::min()},
      {"2147483648", -777},
      {"1,0", -777},
      {"1.0", -777},
      {"1e2", -777},
      {"", -777},
      {"-", -777},
      {"x", -777},
      {"0x1F", -777},
      {"1 2", -777},
  };
  for (const TDecimalType type : {dtComma, dtDot}) {
    TPacker packer;
    packer.DecimalType = type;
    for (const TIntegerCase& c : cases) {
      EXPECT_EQ(packer.ParseInteger(c.text, -777), c.value) << '"' << c.text << '"';
    }
  }
}

// Puts LC_NUMERIC back as it was.
class TNumericLocaleGuard {
 public:
  TNumericLocaleGuard() {
    const char* current = std::setlocale(LC_NUMERIC, nullptr);
    FSaved = current ? current : "C";
  }
  ~TNumericLocaleGuard() { std::setlocale(LC_NUMERIC, FSaved.c_str()); }

 private:
  std::string FSaved;
};

// The C library's number conversions follow LC_NUMERIC; the field rules
// must not.
TEST(ParseDecimal, IgnoresTheNumericLocale) {
  const TNumericLocaleGuard guard;
  bool commaLocale = false;
  for (const char* name : {"de_DE.UTF-8", "el_GR.UTF-8", "de-DE", "el-GR", "German"}) {
    if (std::setlocale(LC_NUMERIC, name) && std::localeconv()->decimal_point[0] == ',') {
      commaLocale = true;
      break;
    }
  }
  if (!commaLocale) GTEST_SKIP() << "no locale with a decimal comma installed";
  TPacker packer;
  packer.DecimalType = dtDot;
  EXPECT_DOUBLE_EQ(packer.ParseDecimal("1.5", kNoNumber), 1.5);
  EXPECT_DOUBLE_EQ(packer.ParseDecimal("1,5", kNoNumber), kNoNumber);
  packer.DecimalType = dtComma;
  EXPECT_DOUBLE_EQ(packer.ParseDecimal("1,5", kNoNumber), 1.5);
  EXPECT_DOUBLE_EQ(packer.ParseDecimal("1.5", kNoNumber), kNoNumber);
}

}  // namespace
}  // namespace danvore
