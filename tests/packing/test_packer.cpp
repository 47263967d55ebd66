#include "packing/packer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/errors.h"
#include "packing/command_data.h"

namespace danvore {
namespace {

// Bytes given as hex pairs separated by blanks ("01 53 00").
std::string Hex(const char* pairs) {
  std::string bytes;
  unsigned value = 0;
  int consumed = 0;
  while (std::sscanf(pairs, " %2x%n", &value, &consumed) == 1) {
    bytes += static_cast<char>(value);
    pairs += consumed;
  }
  return bytes;
}

std::string Fill(char byte, std::size_t count) {
  return std::string(count, byte);
}

// A run of payload bytes at a fixed offset; every byte outside the runs is 0.
struct TRun {
  int offset;
  std::string bytes;
};

TBytes Payload(int size, const std::vector<TRun>& runs) {
  TBytes data(static_cast<std::size_t>(size), 0);
  for (const TRun& run : runs) {
    for (std::size_t i = 0; i < run.bytes.size(); ++i) {
      data.at(static_cast<std::size_t>(run.offset) + i) = static_cast<std::uint8_t>(run.bytes[i]);
    }
  }
  return data;
}

struct TItem {
  std::uint32_t command;
  TBytes data;
};

TItem Sale(const std::vector<TRun>& runs, int size = 70) {
  return {10004, Payload(size, runs)};
}
TItem Payment(const std::vector<TRun>& runs) {
  return {10004, Payload(24, runs)};
}

struct TPackCase {
  std::string line;
  TDecimalType decimal;
  std::vector<TItem> items;
};

TPackedList PackLine(TPacker& packer, const std::string& line) {
  TCommandData data;
  std::vector<std::string> pieces;
  ParseCommandLine(line, "/", data, pieces);
  return packer.PackData(data);
}

const std::string k50 = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn";
const std::string k38 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789XY";

// Every case starts with a fresh packer, so its first sale number is 1.
const std::vector<TPackCase>& PackCases() {
  static const std::vector<TPackCase> cases = {
      // Item sales and refunds.
      {"SL/COFFEE/5201234567890/2/1,50/1",
       dtComma,
       {Sale({{0, Hex("01 53 00 00 00 00 01 00 00 00 07 D0 00 00 00 00 96")},
              {17, "COFFEE"},
              {55, Hex("05 20 12 34 56 78 90 00 00 00 00 96 01")}})}},
      {"RF/COFFEE/5201234567890/2/1,50/1",
       dtComma,
       {Sale({{0, Hex("01 52 00 00 00 00 01 00 00 00 07 D0 00 00 00 00 96")},
              {17, "COFFEE"},
              {55, Hex("05 20 12 34 56 78 90 00 00 00 00 96 01")}})}},
      {"sl/A/1/1/2",
       dtComma,
       {Sale({{0, Hex("01 53 00 00 00 00 01 00 00 00 03 E8 00 00 00 00 C8")},
              {17, "A"},
              {61, Hex("01 00 00 00 00 C8")}})}},
      {"SL/TEA", dtComma, {Sale({{0, Hex("01 53 00 00 00 00 01")}, {17, "TEA"}})}},
      // Greek text in the register's character set; leading zeros of the code kept.
      {"SL/ΚΑΦΕΣ/0012345678901/1,5",
       dtComma,
       {Sale({{0, Hex("01 53 00 00 00 00 01 00 00 00 05 DC")},
              {17, Hex("CA C1 D6 C5 D3")},
              {55, Hex("0F F1 23 45 67 89 01")}})}},
      // The decimal mark: the other character makes the field read as 0.
      {"SL/A//1.5", dtComma, {Sale({{0, Hex("01 53 00 00 00 00 01")}, {17, "A"}})}},
      {"SL/A//1.5", dtDot, {Sale({{0, Hex("01 53 00 00 00 00 01 00 00 00 05 DC")}, {17, "A"}})}},
      {"SL/A//1,5", dtDot, {Sale({{0, Hex("01 53 00 00 00 00 01")}, {17, "A"}})}},
      {"SL/A//1/1.234,50",
       dtComma,
       {Sale({{0, Hex("01 53 00 00 00 00 01 00 00 00 03 E8")}, {17, "A"}})}},
      {"SL/A//1/1,234.50",
       dtDot,
       {Sale({{0, Hex("01 53 00 00 00 00 01 00 00 00 03 E8")}, {17, "A"}})}},
      // Text cut at 38 characters; the code follows right after it.
      {"SL/" + k38 + "ZZ/7",
       dtComma,
       {Sale({{0, Hex("01 53 00 00 00 00 01")}, {17, k38}, {61, Hex("07")}})}},
      // Only the digit pairs right of a non-digit are written.
      {"SL/A/12X45",
       dtComma,
       {Sale({{0, Hex("01 53 00 00 00 00 01")}, {17, "A"}, {61, Hex("45")}})}},
      {"SL/A//1/1/255",
       dtComma,
       {Sale({{0, Hex("01 53 00 00 00 00 01 00 00 00 03 E8 00 00 00 00 64")},
              {17, "A"},
              {62, Hex("00 00 00 00 64 FF")}})}},
      // Discounts.
      {"DE/1,5", dtComma, {Sale({{0, Hex("01 44 00 00 00 00 96")}}, 7)}},
      {"DE/12,5", dtComma, {Sale({{0, Hex("01 44 00 00 00 04 E2")}}, 7)}},
      {"DE", dtComma, {Sale({{0, Hex("01 44")}}, 7)}},
      {"D%/10", dtComma, {Sale({{0, Hex("01 4D 00 00 03 E8")}}, 6)}},
      {"D%/12,5/9", dtComma, {Sale({{0, Hex("01 4D 00 00 04 E2")}}, 6)}},
      {"TE/2",
       dtComma,
       {Sale({{0, Hex("01 42")}}, 2), Sale({{0, Hex("02 44 00 00 00 00 C8")}}, 7)}},
      {"TE/2,00",
       dtComma,
       {Sale({{0, Hex("01 42")}}, 2), Sale({{0, Hex("02 44 00 00 00 00 C8")}}, 7)}},
      {"T%/10", dtComma, {Sale({{0, Hex("01 42")}}, 2), Sale({{0, Hex("02 4D 00 00 03 E8")}}, 6)}},
      // Payments: mode 2 is sent as 4, above 5 as 5, unreadable as 1, the rest as it is.
      {"CR/2/20", dtComma, {Payment({{0, Hex("01 46 04 00 00 00 07 D0")}})}},
      {"CR/7/20", dtComma, {Payment({{0, Hex("01 46 05 00 00 00 07 D0")}})}},
      {"CR/9/10", dtComma, {Payment({{0, Hex("01 46 05 00 00 00 03 E8")}})}},
      {"CR/6", dtComma, {Payment({{0, Hex("01 46 05")}})}},
      {"CR/5/10", dtComma, {Payment({{0, Hex("01 46 05 00 00 00 03 E8")}})}},
      {"CR/3", dtComma, {Payment({{0, Hex("01 46 03")}})}},
      {"CR/x/10", dtComma, {Payment({{0, Hex("01 46 01 00 00 00 03 E8")}})}},
      {"CR/0/10", dtComma, {Payment({{0, Hex("01 46 00 00 00 00 03 E8")}})}},
      {"CR/-1/10", dtComma, {Payment({{0, Hex("01 46 81 00 00 00 03 E8")}})}},
      {"CR/1/5/card", dtComma, {Payment({{0, Hex("01 46 01 00 00 00 01 F4")}, {8, "CARD"}})}},
      {"CR/1/5/κάρτα",
       dtComma,
       {Payment({{0, Hex("01 46 01 00 00 00 01 F4")}, {8, Hex("EA DC F1 F4 E1")}})}},
      {"CR/1/0/12345678901234567890",
       dtComma,
       {Payment({{0, Hex("01 46 01")}, {8, "1234567890123456"}})}},
      {"ER", dtComma, {Payment({{0, Hex("01 46 01")}})}},
      {"ER/5/99", dtComma, {Payment({{0, Hex("01 46 01")}})}},
      // Void.
      {"CL", dtComma, {Sale({{0, Hex("01 43")}}, 2)}},
      {"CL/5", dtComma, {Sale({{0, Hex("01 43")}}, 2)}},
      // Tail message: 3 lines of 32, an empty field stays zero.
      {"HL/A/B/C/D", dtComma, {{10013, Payload(96, {{0, "A"}, {32, "B"}, {64, "C"}})}}},
      {"HL/A", dtComma, {{10013, Payload(96, {{0, "A"}})}}},
      {"HL//B", dtComma, {{10013, Payload(96, {{32, "B"}})}}},
      {"HL/" + k50, dtComma, {{10013, Payload(96, {{0, k50.substr(0, 32)}})}}},
      // Free text and custom tail: 3 lines of 48, empty ones as blanks.
      {"CMI/A//B", dtComma, {{10011, Payload(144, {{0, "A"}, {48, Fill(' ', 48)}, {96, "B"}})}}},
      {"CMI/A", dtComma, {{10011, Payload(144, {{0, "A"}})}}},
      {"CMI//", dtComma, {{10011, Payload(144, {{0, Fill(' ', 96)}})}}},
      {"CMI/A/B/C/D", dtComma, {{10011, Payload(144, {{0, "A"}, {48, "B"}, {96, "C"}})}}},
      {"CMI/" + k50, dtComma, {{10011, Payload(144, {{0, k50.substr(0, 48)}})}}},
      {"CMO/A//B", dtComma, {{10019, Payload(144, {{0, "A"}, {48, Fill(' ', 48)}, {96, "B"}})}}},
      {"CMO", dtComma, {{10019, Payload(144, {})}}},
      // Invoice: six zero bytes, then fields of 9, 40, 40, 40, 40, 30, 30, 10.
      {"INV/abc", dtComma, {{10014, Payload(245, {{6, "abc"}})}}},
      {"INV/1/" + k50 + "/3/4/5/6/7/8/9",
       dtComma,
       {{10014, Payload(245, {{6, "1"},
                              {15, k50.substr(0, 40)},
                              {55, "3"},
                              {95, "4"},
                              {135, "5"},
                              {175, "6"},
                              {205, "7"},
                              {235, "8"}})}}},
      {"INV/ABCDEFGHIJK/b/c/d/e/f/g/HIJKLMNOPQRS",
       dtComma,
       {{10014, Payload(245, {{6, "ABCDEFGHI"},
                              {15, "b"},
                              {55, "c"},
                              {95, "d"},
                              {135, "e"},
                              {175, "f"},
                              {205, "g"},
                              {235, "HIJKLMNOPQ"}})}}},
      // Tables.
      {"TBL/12", dtComma, {{10017, Payload(2, {{0, Hex("00 0C")}})}}},
      {"TBL/300/9", dtComma, {{10017, Payload(2, {{0, Hex("01 2C")}})}}},
      {"TBL/abc", dtComma, {{10017, Payload(2, {})}}},
      {"TCL/x", dtComma, {{10016, Payload(2, {})}}},
      {"TCL/7", dtComma, {{10016, Payload(2, {{0, Hex("00 07")}})}}},
      {"TMP/3", dtComma, {{10018, Payload(2, {{0, Hex("00 03")}})}}},
      {"TTR/3/7", dtComma, {{10015, Payload(4, {{0, Hex("00 03 00 07")}})}}},
      {"TTR/3", dtComma, {{10015, Payload(4, {{0, Hex("00 03")}})}}},
      {"TTR//7", dtComma, {{10015, Payload(4, {{2, Hex("00 07")}})}}},
      {"TTR", dtComma, {{10015, Payload(4, {})}}},
      // Drawer, connect, disconnect, reports.
      {"QQ", dtComma, {{10012, Payload(1, {{0, "d"}})}}},
      {"CN", dtComma, {{10000, {}}}},
      {"DN", dtComma, {{10001, {}}}},
      {"ZZ", dtComma, {{0, {}}}},
      {"XX", dtComma, {{0, {}}}},
      // Clerk login: number in 2 bytes, password in 4.
      {"11/3/1234", dtComma, {{10002, Payload(6, {{0, Hex("00 03 00 00 04 D2")}})}}},
      {"11/7", dtComma, {{10002, Payload(6, {{0, Hex("00 07")}})}}},
      {"11/x/y", dtComma, {{10002, Payload(6, {})}}},
      {"11/1,0/5", dtComma, {{10002, Payload(6, {{5, "\x05"}})}}},
      // Not a command: nothing to send.
      {"UNSUPPORT/1", dtComma, {}},
      {"XY/1", dtComma, {}},
  };
  return cases;
}

TEST(PackData, PacksEveryLineKind) {
  for (const TPackCase& c : PackCases()) {
    TPacker packer;
    packer.DecimalType = c.decimal;
    const TPackedList list = PackLine(packer, c.line);
    ASSERT_EQ(list.size(), c.items.size()) << c.line;
    for (std::size_t i = 0; i < list.size(); ++i) {
      EXPECT_EQ(list[i].Command, c.items[i].command) << c.line << " item " << i;
      EXPECT_EQ(list[i].Data, c.items[i].data) << c.line << " item " << i;
    }
  }
}

struct TErrorCase {
  const char* line;
  bool invalidParameter;  // else the list-index error
};

TEST(PackData, RequiredFieldsFailTheLineWithoutTakingASaleNumber) {
  const TErrorCase cases[] = {
      {"CR", true}, {"CR/", true}, {"CR//10", true}, {"TBL", false}, {"TCL", false}, {"TMP", false},
  };
  for (const TErrorCase& c : cases) {
    TPacker packer;
    if (c.invalidParameter) {
      try {
        PackLine(packer, c.line);
        ADD_FAILURE() << c.line << " did not fail";
      } catch (const std::invalid_argument& e) {
        EXPECT_EQ(e.what(), SysErrorMessage(87)) << c.line;
      }
    } else {
      try {
        PackLine(packer, c.line);
        ADD_FAILURE() << c.line << " did not fail";
      } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "Argument out of range") << c.line;
      }
    }
    const TPackedList next = PackLine(packer, "CL");
    ASSERT_EQ(next.size(), 1u);
    EXPECT_EQ(next[0].Data, TBytes({0x01, 0x43})) << "after " << c.line;
  }
}

TEST(PackData, CloseReceiptReplacesTheFieldsOfItsRecord) {
  TPacker packer;
  TCommandData data(ckCloseReceipt);
  data.Datas = {"5", "99", "text"};
  const TPackedList list = packer.PackData(data);
  EXPECT_EQ(data.Datas, (std::vector<std::string>{"1", "0"}));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].Data, Payload(24, {{0, Hex("01 46 01")}}));
}

TEST(PackData, RefundDiffersFromSaleOnlyInTypeAndSaleNumber) {
  TPacker packer;
  const TPackedList sale = PackLine(packer, "SL/COFFEE/5201234567890/2/1,50/1");
  const TPackedList refund = PackLine(packer, "RF/COFFEE/5201234567890/2/1,50/1");
  ASSERT_EQ(sale.size(), 1u);
  ASSERT_EQ(refund.size(), 1u);
  ASSERT_EQ(sale[0].Data.size(), refund[0].Data.size());
  for (std::size_t i = 0; i < sale[0].Data.size(); ++i) {
    if (i == 0 || i == 6) {
      EXPECT_EQ(sale[0].Data[i] + 1, refund[0].Data[i]) << "byte " << i;
    } else if (i == 1) {
      EXPECT_EQ(sale[0].Data[i], 'S');
      EXPECT_EQ(refund[0].Data[i], 'R');
    } else {
      EXPECT_EQ(sale[0].Data[i], refund[0].Data[i]) << "byte " << i;
    }
  }
}

struct TNumberingStep {
  const char* line;
  std::vector<int> saleNumbers;  // byte 0 of each item; -1 for items without one
};

TEST(NextSaleNum, OnlySaleCommandsTakeNumbers) {
  const TNumberingStep steps[] = {
      {"SL/A", {1}},   {"TE/1", {2, 3}}, {"T%/1", {4, 5}}, {"ZZ", {-1}},   {"QQ", {-1}},
      {"TBL/1", {-1}}, {"CN", {-1}},     {"11/1/1", {-1}}, {"HL/A", {-1}}, {"CMI/A", {-1}},
      {"INV/A", {-1}}, {"XY", {}},       {"DE/1", {6}},    {"D%/1", {7}},  {"CR/1/1", {8}},
      {"ER", {9}},     {"CL", {10}},     {"RF/A", {11}},
  };
  TPacker packer;
  for (const TNumberingStep& step : steps) {
    const TPackedList list = PackLine(packer, step.line);
    ASSERT_EQ(list.size(), step.saleNumbers.size()) << step.line;
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (step.saleNumbers[i] < 0) continue;
      ASSERT_FALSE(list[i].Data.empty()) << step.line;
      EXPECT_EQ(list[i].Data[0], step.saleNumbers[i]) << step.line << " item " << i;
    }
  }
}

TEST(NextSaleNum, RunsFrom1To255AndNeverHandsOut0) {
  TPacker packer;
  for (int i = 1; i <= 3 * 256; ++i) {
    const TPackedList list = PackLine(packer, "SL/A");
    ASSERT_EQ(list.size(), 1u);
    const int expected = (i - 1) % 255 + 1;
    const TBytes& data = list[0].Data;
    ASSERT_EQ(data[0], expected) << "sale " << i;
    ASSERT_EQ(TBytes(data.begin() + 3, data.begin() + 7),
              TBytes({0, 0, 0, static_cast<std::uint8_t>(expected)}))
        << "sale " << i;
  }
}

TEST(NextSaleNum, The255thAnd256thSaleCommands) {
  TPacker packer;
  for (int i = 1; i < 255; ++i)
    PackLine(packer, "CL");
  const TPackedList sale255 = PackLine(packer, "SL/A");
  EXPECT_EQ(sale255[0].Data[0], 0xFF);
  EXPECT_EQ(TBytes(sale255[0].Data.begin() + 3, sale255[0].Data.begin() + 7),
            TBytes({0, 0, 0, 0xFF}));
  const TPackedList sale256 = PackLine(packer, "TE/1");
  EXPECT_EQ(sale256[0].Data, TBytes({0x01, 0x42}));
  EXPECT_EQ(sale256[1].Data[0], 0x02);
}

TEST(PackDisCountData, RefusesOtherSaleTypesWithoutTakingANumber) {
  const TSaleType refused[] = {stVoid, stSubtotal, stPayment, stPLUSale, stSelEndDaily};
  TPacker packer;
  for (const TSaleType type : refused) {
    try {
      packer.PackDisCountData(type, {"1"});
      ADD_FAILURE() << "sale type " << int(type) << " accepted";
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(e.what(), SysErrorMessage(87));
    }
  }
  EXPECT_EQ(packer.PackSubTotalData(stSubtotal).Data, TBytes({0x01, 0x42}));
}

TEST(PackPrintReportData, WritesTheReportKeyAsText) {
  const struct {
    const char* key;
    TBytes data;
  } cases[] = {{"101", {0x31, 0x30, 0x31}}, {"501", {0x35, 0x30, 0x31}}, {"", {}}};
  TPacker packer;
  for (const auto& c : cases) {
    const TPackedData packed = packer.PackPrintReportData(c.key);
    EXPECT_EQ(packed.Command, 30009u) << c.key;
    EXPECT_EQ(packed.Data, c.data) << c.key;
  }
}

TEST(PackClerkData, TakesTheTwoNumbersItIsGiven) {
  TPacker packer;
  const TPackedData packed = packer.PackClerkData({"12", "0"});
  EXPECT_EQ(packed.Command, 10002u);
  EXPECT_EQ(packed.Data, Payload(6, {{0, Hex("00 0C")}}));
  EXPECT_EQ(packer.PackClerkData({}).Data, Payload(6, {}));
}

TEST(SaleTypeLetters, OneLetterPerSaleType) {
  const char* const expected[] = {"C", "E", "B", "T", "M", "D", "F", "S",
                                  "R", "V", "S", "R", "V", "s", "c"};
  for (int i = 0; i < 15; ++i)
    EXPECT_STREQ(SaleTypeLetters[i], expected[i]) << i;
}

TEST(PackedData, CreateZeroFillsAndClearEmpties) {
  TPackedData packed(10004, 5);
  EXPECT_EQ(packed.Data, TBytes(5, 0));
  packed.Clear();
  EXPECT_EQ(packed.Command, 0u);
  EXPECT_TRUE(packed.Data.empty());
}

}  // namespace
}  // namespace danvore
