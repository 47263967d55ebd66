#include "ecr-sim/register_state.h"

#include <gtest/gtest.h>

#include "sim_test_support.h"

namespace danvore::sim {
namespace {

using namespace test;

TRegisterReply Exec(TRegisterState& state, int id, const TBytes& payload = {}, int portBaud = 0) {
  return state.Execute(TRegisterRequest{CommandCodeOf(id), payload, portBaud});
}

// The error number of an error reply, 0 for any other reply.
int ErrorOf(const TRegisterReply& reply) {
  if (reply.Code != kErrorReplyCode) return 0;
  std::string digits;
  for (std::uint8_t byte : reply.Payload) {
    if (byte >= '0' && byte <= '9') digits += static_cast<char>(byte);
  }
  return std::stoi(digits);
}

struct TStep {
  int Id;
  TBytes Payload;
  int Error;
  std::uint16_t Status;
  std::int64_t Total;
};

struct TScenario {
  const char* Name;
  std::vector<TStep> Steps;
  int Receipts;
  int Voided;
  std::int64_t Net;
};

TEST(RegisterState, ReceiptScenarios) {
  const TBytes er = PaymentPayload(1, 0);
  const std::vector<TScenario> scenarios = {
      {"sale then ER closes the receipt",
       {{10004, SalePayload(150), 0, 0x10, 150}, {10004, er, 0, 0x00, 0}},
       1,
       0,
       150},
      {"partial payment sets 0x20 until the rest is paid",
       {{10004, SalePayload(1000), 0, 0x10, 1000},
        {10004, SalePayload(250), 0, 0x10, 1250},
        {10004, PaymentPayload(4, 500), 0, 0x30, 1250},
        {10004, PaymentPayload(1, 1000), 0, 0x00, 0}},
       1,
       0,
       1250},
      {"item, percent and subtotal discounts",
       {{10004, SalePayload(2000), 0, 0x10, 2000},
        {10004, DiscountPayload(300), 0, 0x10, 1700},
        {10004, PercentPayload(1000), 0, 0x10, 1530},
        {10004, LetterPayload('B'), 0, 0x10, 1530},
        {10004, DiscountPayload(30), 0, 0x10, 1500},
        {10004, er, 0, 0x00, 0}},
       1,
       0,
       1500},
      {"refund lowers the total",
       {{10004, SalePayload(1000), 0, 0x10, 1000},
        {10004, ItemPayload('R', 1000, 400, "BACK"), 0, 0x10, 600},
        {10004, er, 0, 0x00, 0}},
       1,
       0,
       600},
      {"quantity times price, rounded to cents",
       {{10004, ItemPayload('S', 2500, 333, "X"), 0, 0x10, 833}, {10004, er, 0, 0x00, 0}},
       1,
       0,
       833},
      {"void drops the receipt",
       {{10004, SalePayload(500), 0, 0x10, 500}, {10004, LetterPayload('C'), 0, 0x00, 0}},
       0,
       1,
       0},
      {"nothing to pay, discount, subtotal or void without a receipt",
       {{10004, er, reNoReceipt, 0, 0},
        {10004, DiscountPayload(10), reNoReceipt, 0, 0},
        {10004, LetterPayload('B'), reNoReceipt, 0, 0},
        {10004, LetterPayload('C'), reNoReceipt, 0, 0}},
       0,
       0,
       0},
      {"a started payment blocks items, discounts, subtotal and void",
       {{10004, SalePayload(1000), 0, 0x10, 1000},
        {10004, PaymentPayload(1, 100), 0, 0x30, 1000},
        {10004, SalePayload(5), rePaymentStarted, 0x30, 1000},
        {10004, DiscountPayload(5), rePaymentStarted, 0x30, 1000},
        {10004, LetterPayload('B'), rePaymentStarted, 0x30, 1000},
        {10004, LetterPayload('C'), rePaymentStarted, 0x30, 1000},
        {10004, er, 0, 0x00, 0}},
       1,
       0,
       1000},
      {"discounts larger than their base",
       {{10004, SalePayload(100), 0, 0x10, 100},
        {10004, DiscountPayload(101), reDiscountTooLarge, 0x10, 100},
        {10004, PercentPayload(10001), reBadData, 0x10, 100}},
       0,
       0,
       0},
      {"malformed sale commands",
       {{10004, TBytes(69, 0), reBadData, 0, 0},
        {10004, LetterPayload('X'), reBadData, 0, 0},
        {10004, TBytes{}, reBadData, 0, 0}},
       0,
       0,
       0},
  };
  for (const TScenario& scenario : scenarios) {
    SCOPED_TRACE(scenario.Name);
    TRegisterState state;
    for (std::size_t i = 0; i < scenario.Steps.size(); ++i) {
      SCOPED_TRACE("step " + std::to_string(i));
      const TStep& step = scenario.Steps[i];
      const TRegisterReply reply = Exec(state, step.Id, step.Payload);
      EXPECT_EQ(ErrorOf(reply), step.Error);
      if (step.Error == 0) {
        EXPECT_EQ(reply.Code, CommandCodeOf(step.Id));
      }
      EXPECT_EQ(state.StatusWord(), step.Status);
      EXPECT_EQ(state.Receipt().Total, step.Total);
    }
    EXPECT_EQ(state.Daily().Receipts, scenario.Receipts);
    EXPECT_EQ(state.Daily().Voided, scenario.Voided);
    EXPECT_EQ(state.Daily().Net(), scenario.Net);
  }
}

TEST(RegisterState, PaymentsAreCountedWithoutChange) {
  TRegisterState state;
  Exec(state, 10004, SalePayload(1250));
  Exec(state, 10004, PaymentPayload(4, 1000));
  Exec(state, 10004, PaymentPayload(1, 500));  // 2.50 due, 5.00 given
  EXPECT_FALSE(state.ReceiptOpen());
  const std::map<int, std::int64_t> expected = {{1, 250}, {4, 1000}};
  EXPECT_EQ(state.Daily().Payments, expected);
}

TEST(RegisterState, StatusReplyCarriesWordAndText) {
  const struct {
    std::uint16_t Bits;
    std::string Text;
    TBytes Expected;
  } cases[] = {
      {0, "", {0x00, 0x00}},
      {0x08, "PAPER", {0x00, 0x08, 'P', 'A', 'P', 'E', 'R'}},
      {0x0F, "ΧΑΡΤΙ", {0x00, 0x0F, 0xD7, 0xC1, 0xD1, 0xD4, 0xC9}},
      {0x100, "", {0x01, 0x00}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Bits);
    TRegisterSetup setup;
    setup.StatusBits = c.Bits;
    setup.StatusText = c.Text;
    TRegisterState state(setup);
    const TRegisterReply reply = Exec(state, 20000);
    EXPECT_EQ(reply.Code, 0xE000);
    EXPECT_EQ(reply.Payload, c.Expected);
  }
}

TEST(RegisterState, SalesGetError14UntilTheConnectCommand) {
  TRegisterSetup setup;
  setup.StatusBits = kStatusConnectRequired;
  TRegisterState state(setup);
  EXPECT_EQ(Exec(state, 20000).Payload, (TBytes{0x00, 0x04}));
  EXPECT_EQ(ErrorOf(Exec(state, 10004, SalePayload(100))), reConnectRequired);
  EXPECT_EQ(ErrorOf(Exec(state, 10004, PaymentPayload(1, 0))), reConnectRequired);
  EXPECT_EQ(ErrorOf(Exec(state, 10012, Text("d"))), 0);  // other commands pass
  EXPECT_EQ(ErrorOf(Exec(state, 10000)), 0);
  EXPECT_EQ(state.StatusWord(), 0);
  EXPECT_EQ(ErrorOf(Exec(state, 10004, SalePayload(100))), 0);
  EXPECT_TRUE(state.ReceiptOpen());
}

TEST(RegisterState, ErrorRepliesUseTheGreekMarker) {
  const TRegisterReply plain = TRegisterState::ErrorReply(14);
  EXPECT_EQ(plain.Code, 0x800D);
  EXPECT_EQ(plain.Payload, (TBytes{0xCB, 0x41, 0xC8, 0x4F, 0xD3, 0x20, 0x31, 0x34}));
  const TRegisterReply fe = TRegisterState::ErrorReply(7, true);
  EXPECT_EQ(fe.Payload, (TBytes{0xFE, 0xCB, 0x41, 0xC8, 0x4F, 0xD3, 0x20, 0x37}));
  EXPECT_EQ(GccEncode().GreekText(plain.Payload, 0, static_cast<int>(plain.Payload.size())),
            "ΛAΘOΣ 14");
}

TEST(RegisterState, UnknownCommandsAreRefused) {
  TRegisterState state;
  EXPECT_EQ(ErrorOf(Exec(state, 20001)), reUnknownCommand);
  const TRegisterReply reply = state.Execute(TRegisterRequest{0x1234, {}, 0});
  EXPECT_EQ(reply.Code, 0x800D);
  EXPECT_EQ(ErrorOf(reply), reUnknownCommand);
}

TEST(RegisterState, ZReportIsRefusedWhileAReceiptIsOpenAndResetsTheDay) {
  TRegisterState state;
  Exec(state, 10004, SalePayload(150));
  EXPECT_EQ(ErrorOf(Exec(state, 30009, Text("501"))), reReceiptOpen);
  EXPECT_EQ(ErrorOf(Exec(state, 30009, Text("101"))), 0);  // X is allowed
  Exec(state, 10004, PaymentPayload(1, 0));
  const TRegisterReply x = Exec(state, 30009, Text("101"));
  EXPECT_NE(x.Printed.find("X REPORT"), std::string::npos);
  EXPECT_EQ(state.Daily().Receipts, 1);  // X leaves the day alone
  const TRegisterReply z = Exec(state, 30009, Text("501"));
  EXPECT_EQ(ErrorOf(z), 0);
  EXPECT_TRUE(z.EndOfBlock);
  EXPECT_NE(z.Printed.find("Z REPORT"), std::string::npos);
  EXPECT_NE(z.Printed.find("1.50"), std::string::npos);
  EXPECT_EQ(state.ZCount(), 1);
  EXPECT_EQ(state.Daily().Receipts, 0);
  EXPECT_EQ(state.Daily().Net(), 0);
  EXPECT_EQ(ErrorOf(Exec(state, 30009, Text("999"))), reBadReportKey);
  EXPECT_EQ(ErrorOf(Exec(state, 30009)), reBadReportKey);
}

TEST(RegisterState, TransferStateAnswersAndChanges) {
  const struct {
    TTransferState Initial;
    std::string Letters;  // sent before the query
    TBytes Expected;
  } cases[] = {
      {{1, 0, 0, 3}, "", {1, 0, 0}},   {{1, 4, 0, 2}, "", {1, 4}},
      {{1, 4, 0, 1}, "", {1}},         {{1, 0, 0, 3}, "s", {2, 0, 1}},
      {{1, 3, 0, 3}, "cc", {1, 5, 0}}, {{1, 255, 0, 3}, "c", {1, 255, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Letters + " length " + std::to_string(c.Initial.ReplyLength));
    TRegisterSetup setup;
    setup.Transfer = c.Initial;
    TRegisterState state(setup);
    for (char letter : c.Letters) {
      const TRegisterReply reply = Exec(state, 10012, Text(std::string(1, letter)));
      EXPECT_EQ(ErrorOf(reply), 0);
      EXPECT_TRUE(reply.Payload.empty());
    }
    const TRegisterReply reply = Exec(state, 10012, Text("e"));
    EXPECT_EQ(reply.Code, 0xE0C6);
    EXPECT_EQ(reply.Payload, c.Expected);
  }
}

TEST(RegisterState, GeneralCommandOpensTheDrawerAndRefusesOtherLetters) {
  TRegisterState state;
  EXPECT_EQ(ErrorOf(Exec(state, 10012, Text("d"))), 0);
  EXPECT_EQ(state.DrawerOpenings(), 1);
  EXPECT_EQ(ErrorOf(Exec(state, 10012, Text("x"))), reBadData);
  EXPECT_EQ(ErrorOf(Exec(state, 10012, Text("de"))), reBadData);
}

TEST(RegisterState, PropertiesLayout) {
  TRegisterSetup setup;
  setup.Clerks[2] = 0x01020304;
  TRegisterState state(setup);
  ASSERT_EQ(ErrorOf(Exec(state, 10002, ClerkPayload(2, 0x01020304))), 0);
  const TBytes full = {'D',  'N',  'V',  '0',  '0',  '0',  '0',  '0',  '0',  '0',
                       '1',  0x00, 0x01, 0x02, 0x01, 0x02, 0x03, 0x04, 0x7F, 0x00,
                       0x00, 0x01, 0x01, 0x17, 0x70, 0x02, 0x00, 0x00};
  EXPECT_EQ(Exec(state, 30008).Payload, full);

  state.Properties().Length = 26;
  state.Properties().Status = 0;
  state.Properties().DiningMode = true;
  TBytes expected(full.begin(), full.begin() + 26);
  expected[22] = 0;
  EXPECT_EQ(Exec(state, 30008).Payload, expected);
}

TEST(RegisterState, PendingDataDrains) {
  TRegisterSetup setup;
  setup.PendingFirst = 2;
  setup.PendingSecond = 1;
  TRegisterState state(setup);
  EXPECT_EQ(state.StatusWord(), 0x03);
  EXPECT_FALSE(Exec(state, 20002).Payload.empty());
  EXPECT_FALSE(Exec(state, 20002).Payload.empty());
  EXPECT_TRUE(Exec(state, 20002).Payload.empty());
  EXPECT_EQ(state.StatusWord(), 0x02);
  EXPECT_FALSE(Exec(state, 10009).Payload.empty());
  EXPECT_TRUE(Exec(state, 10009).Payload.empty());
  EXPECT_EQ(state.StatusWord(), 0x00);

  state.SetStatus(kStatusPendingFirst | kStatusError, "JAM");  // one record by the bit
  EXPECT_EQ(state.StatusWord(), 0x09);
  EXPECT_FALSE(Exec(state, 20002).Payload.empty());
  EXPECT_TRUE(Exec(state, 20002).Payload.empty());
  EXPECT_EQ(state.StatusWord(), 0x08);
}

TEST(RegisterState, ClerkLoginChecksThePassword) {
  const struct {
    int Clerk;
    std::uint32_t Password;
    int Error;
    int LastClerk;
  } cases[] = {
      {3, 1234, 0, 3},
      {3, 1, reWrongPassword, 0},
      {9, 0, reUnknownClerk, 0},
      {1, 0, 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Clerk);
    TRegisterSetup setup;
    setup.Clerks[3] = 1234;
    TRegisterState state(setup);
    EXPECT_EQ(ErrorOf(Exec(state, 10002, ClerkPayload(c.Clerk, c.Password))), c.Error);
    EXPECT_EQ(state.LastClerk(), c.LastClerk);
  }
  TRegisterState state;
  EXPECT_EQ(ErrorOf(Exec(state, 10002, TBytes(5, 0))), reBadData);
  Exec(state, 10004, SalePayload(100));
  EXPECT_EQ(ErrorOf(Exec(state, 10002, ClerkPayload(1, 0))), reReceiptOpen);
}

TEST(RegisterState, BaudProbeIsAnsweredOnlyAtTheRegistersSpeed) {
  const struct {
    int RegisterBaud;
    int PortBaud;
    std::uint8_t Code;
    bool Answered;
    int NewBaud;  // in the reply
    int BaudAfter;
  } cases[] = {
      {0, 9600, 0, true, 0, 0},                 // no speed set: always answered
      {115200, 9600, 2, false, 0, 115200},      // wrong speed: silence
      {115200, 115200, 2, true, 38400, 38400},  // moves to the speed the code names
      {115200, 0, 4, true, 0, 115200},          // speed not observable, code is its own
      {9600, 9600, 9, true, 0, 9600},           // unknown code: stays
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.RegisterBaud) + "/" + std::to_string(c.PortBaud));
    TRegisterSetup setup;
    setup.Baud = c.RegisterBaud;
    TRegisterState state(setup);
    const TRegisterReply reply = Exec(state, 100, TBytes{c.Code}, c.PortBaud);
    EXPECT_EQ(!reply.Silent, c.Answered);
    if (c.Answered) {
      EXPECT_EQ(reply.Code, 0xA001);
      EXPECT_TRUE(reply.Payload.empty());
    }
    EXPECT_EQ(reply.NewBaud, c.NewBaud);
    EXPECT_EQ(state.Baud(), c.BaudAfter);
  }
}

TEST(RegisterState, Tables) {
  TRegisterState state;
  EXPECT_EQ(ErrorOf(Exec(state, 10016, TablePayload(12))), reTableNotOpen);
  EXPECT_EQ(ErrorOf(Exec(state, 10017, TablePayload(12))), 0);
  EXPECT_EQ(ErrorOf(Exec(state, 10015, TablePayload(12, 7))), 0);
  EXPECT_EQ(state.OpenTables(), (std::set<int>{7}));
  EXPECT_EQ(ErrorOf(Exec(state, 10018, TablePayload(12))), reTableNotOpen);
  EXPECT_EQ(ErrorOf(Exec(state, 10018, TablePayload(7))), 0);
  EXPECT_EQ(state.OpenTables(), (std::set<int>{7}));
  const TRegisterReply closed = Exec(state, 10016, TablePayload(7));
  EXPECT_EQ(ErrorOf(closed), 0);
  EXPECT_EQ(closed.Printed, "TABLE 7 CLOSED\n");
  EXPECT_TRUE(state.OpenTables().empty());
  EXPECT_EQ(ErrorOf(Exec(state, 10017, TBytes(3, 0))), reBadData);
}

TEST(RegisterState, PrintsAReadableReceipt) {
  TRegisterState state;
  Exec(state, 10002, ClerkPayload(1, 0));
  EXPECT_EQ(ErrorOf(Exec(state, 10013, LinesPayload(32, {"THANK YOU"}))), 0);
  std::string printed = Exec(state, 10004, ItemPayload('S', 2000, 150, "ΚΑΦΕΣ")).Printed;
  printed += Exec(state, 10004, DiscountPayload(50)).Printed;
  const TRegisterReply paid = Exec(state, 10004, PaymentPayload(1, 500, "CASH"));
  printed += paid.Printed;
  EXPECT_TRUE(paid.EndOfBlock);
  const std::string expected =
      "RECEIPT 0001                     CLERK 1\n"
      "  2.000 x 1.50\n"
      "ΚΑΦΕΣ                               3.00\n"
      "DISCOUNT                           -0.50\n"
      "PAYMENT 1 CASH                      5.00\n"
      "TOTAL                               2.50\n"
      "CHANGE                              2.50\n"
      "THANK YOU\n"
      "========================================\n";
  EXPECT_EQ(printed, expected);
}

TEST(RegisterState, FreeTextCustomTailAndInvoice) {
  TRegisterState state;
  const TRegisterReply text =
      Exec(state, 10011, LinesPayload(48, {"HELLO", std::string(48, ' '), "WORLD"}));
  EXPECT_EQ(text.Printed, "HELLO\n\nWORLD\n");  // an empty field comes as blanks
  EXPECT_TRUE(text.EndOfBlock);
  const TRegisterReply single = Exec(state, 10011, LinesPayload(48, {"ONLY"}));
  EXPECT_EQ(single.Printed, "ONLY\n");

  EXPECT_TRUE(Exec(state, 10019, LinesPayload(48, {"COME AGAIN"})).Printed.empty());
  Exec(state, 10004, SalePayload(100));
  const TRegisterReply inside = Exec(state, 10011, LinesPayload(48, {"NOTE"}));
  EXPECT_FALSE(inside.EndOfBlock);  // part of the open receipt
  EXPECT_NE(Exec(state, 10004, PaymentPayload(1, 0)).Printed.find("COME AGAIN"), std::string::npos);
  Exec(state, 10004, SalePayload(100));
  EXPECT_EQ(Exec(state, 10004, PaymentPayload(1, 0)).Printed.find("COME AGAIN"), std::string::npos);

  TBytes invoice(245, 0);
  PutText(invoice, 6, 9, "123456789");
  PutText(invoice, 15, 40, "ACME");
  const TRegisterReply printed = Exec(state, 10014, invoice);
  EXPECT_EQ(printed.Printed, "INVOICE\n123456789\nACME\n");
  EXPECT_EQ(ErrorOf(Exec(state, 10014, TBytes(244, 0))), reBadData);
  EXPECT_EQ(ErrorOf(Exec(state, 10011, TBytes(143, 0))), reBadData);
  EXPECT_EQ(ErrorOf(Exec(state, 10013, TBytes(95, 0))), reBadData);
}

TEST(RegisterState, FormatAmount) {
  const struct {
    std::int64_t Cents;
    const char* Text;
  } cases[] = {{0, "0.00"}, {5, "0.05"}, {-5, "-0.05"}, {123456, "1234.56"}, {-100, "-1.00"}};
  for (const auto& c : cases)
    EXPECT_EQ(FormatAmount(c.Cents), c.Text);
}

}  // namespace
}  // namespace danvore::sim
