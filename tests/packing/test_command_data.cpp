#include "packing/command_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace danvore {
namespace {

using TFields = std::vector<std::string>;

TEST(CommandCodes, TableOrderMatchesTheKinds) {
  const char* const expected[] = {"HL",  "11",  "SL",  "RF",  "DE",  "D%",  "TE",  "T%",
                                  "CMO", "CR",  "ER",  "CL",  "ZZ",  "XX",  "QQ",  "CN",
                                  "DN",  "INV", "TBL", "TTR", "TCL", "TMP", "CMI", "UNSUPPORT"};
  ASSERT_EQ(CommandCodes.size(), std::size(expected));
  for (std::size_t i = 0; i < CommandCodes.size(); ++i) {
    EXPECT_STREQ(CommandCodes[i], expected[i]) << "index " << i;
    EXPECT_EQ(LookupCommandKind(expected[i]), static_cast<TCommandKind>(i)) << expected[i];
  }
}

struct TLookupCase {
  const char* code;
  TCommandKind kind;
};

TEST(LookupCommandKind, UpperCasesLettersOnlyAndMatchesWholeCodes) {
  const TLookupCase cases[] = {
      {"sl", ckSalePLU},      {"Sl", ckSalePLU},          {"cl", ckAllVoid},
      {"cmi", ckFreeText},    {"Inv", ckInvoice},         {"d%", ckDiscountP},
      {"t%", ckSubDiscountP}, {"unsupport", ckUnSupport}, {"UNSUPPORT", ckUnSupport},
      {"SL ", ckUnSupport},   {" SL", ckUnSupport},       {"S", ckUnSupport},
      {"SLL", ckUnSupport},   {"", ckUnSupport},          {"XY", ckUnSupport},
      {"11", ckClerk},        {"1", ckUnSupport},         {"S\xC3\xA9", ckUnSupport},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LookupCommandKind(c.code), c.kind) << '"' << c.code << '"';
}

struct TParseCase {
  const char* line;
  const char* delimiter;
  TCommandKind kind;
  TFields datas;
};

TEST(ParseCommandLine, SplitsCodeAndFields) {
  const TParseCase cases[] = {
      {"SL/1/2", "/", ckSalePLU, {"1", "2"}},
      {"SL/1/", "/", ckSalePLU, {"1", ""}},
      {"SL/1", "/", ckSalePLU, {"1"}},
      {"SL//", "/", ckSalePLU, {"", ""}},
      {"ER", "/", ckCloseReceipt, {}},
      {"cl", "/", ckAllVoid, {}},
      {"SL/ 1 / 2 ", "/", ckSalePLU, {" 1 ", " 2 "}},
      // A blank before the code makes it unknown; fields of unknown lines are dropped.
      {" SL/1", "/", ckUnSupport, {}},
      {"UNSUPPORT/1", "/", ckUnSupport, {}},
      {"XY/1/2", "/", ckUnSupport, {}},
      {"", "/", ckUnSupport, {}},
      // A field cannot hold the delimiter.
      {"CMI/a/b", "/", ckFreeText, {"a", "b"}},
      // The delimiter is matched without regard to case.
      {"SLx1X2", "x", ckSalePLU, {"1", "2"}},
      {"CR||1||5,00||", "||", ckPayment, {"1", "5,00", ""}},
      {"CR|||1", "||", ckPayment, {"|1"}},
      // The appended delimiter can complete one begun at the end of the line.
      {"CR||1|", "||", ckPayment, {"1", "|"}},
  };
  TCommandData data;
  std::vector<std::string> pieces;
  for (const auto& c : cases) {
    ParseCommandLine(c.line, c.delimiter, data, pieces);
    EXPECT_EQ(data.Kind, c.kind) << c.line;
    EXPECT_EQ(data.Datas, c.datas) << c.line;
  }
}

TEST(ParseCommandLine, ResetsTheRecordAndReusesThePieces) {
  TCommandData data(ckSalePLU);
  data.Datas = {"stale"};
  std::vector<std::string> pieces;
  ParseCommandLine("INV/1/2/3/4/5/6/7/8", "/", data, pieces);
  EXPECT_EQ(pieces.size(), 9u);
  ParseCommandLine("XY/1", "/", data, pieces);
  EXPECT_EQ(data.Kind, ckUnSupport);
  EXPECT_TRUE(data.Datas.empty());
  EXPECT_EQ(pieces, (TFields{"XY", "1"}));
  ParseCommandLine("TBL/12", "/", data, pieces);
  EXPECT_EQ(data.Kind, ckTable);
  EXPECT_EQ(data.Datas, TFields{"12"});
  EXPECT_EQ(pieces, (TFields{"TBL", "12"}));
}

TEST(ParseCommandLine, EmptyDelimiterLeavesTheWholeLineAsCode) {
  TCommandData data;
  std::vector<std::string> pieces;
  ParseCommandLine("QQ", "", data, pieces);
  EXPECT_EQ(data.Kind, ckOpenDrawer);
  EXPECT_TRUE(data.Datas.empty());
  ParseCommandLine("SL/1", "", data, pieces);
  EXPECT_EQ(data.Kind, ckUnSupport);
}

TEST(CommandData, ResetClearsKindAndFields) {
  TCommandData data(ckPayment);
  data.Datas = {"1", "2"};
  data.Reset();
  EXPECT_EQ(data.Kind, ckUnSupport);
  EXPECT_TRUE(data.Datas.empty());
  EXPECT_EQ(TCommandData().Kind, ckUnSupport);
}

}  // namespace
}  // namespace danvore
