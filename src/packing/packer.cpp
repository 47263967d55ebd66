#include "packing/packer.h"

#include <stdexcept>

#include "core/errors.h"
#include "encoding/codec.h"
#include "packing/number_text.h"
#include "platform/utf.h"

namespace danvore {

const char* const SaleTypeLetters[15] = {"C", "E", "B", "T", "M", "D", "F", "S",
                                         "R", "V", "S", "R", "V", "s", "c"};

namespace {

// Command ids of the register command table.
constexpr std::uint32_t kCmdConnect = 10000;
constexpr std::uint32_t kCmdDisConnect = 10001;
constexpr std::uint32_t kCmdLogin = 10002;
constexpr std::uint32_t kCmdSale = 10004;
constexpr std::uint32_t kCmdPrintMsg = 10011;
constexpr std::uint32_t kCmdGeneral = 10012;
constexpr std::uint32_t kCmdTailMsg = 10013;
constexpr std::uint32_t kCmdInvoice = 10014;
constexpr std::uint32_t kCmdTransferTable = 10015;
constexpr std::uint32_t kCmdCloseTable = 10016;
constexpr std::uint32_t kCmdOpenTable = 10017;
constexpr std::uint32_t kCmdCloseTempTable = 10018;
constexpr std::uint32_t kCmdCustomTail = 10019;
constexpr std::uint32_t kCmdPrintReport = 30009;

constexpr int kTailLineWidth = 32;
constexpr int kFreeTextWidth = 48;
constexpr int kItemTextWidth = 38;
constexpr int kItemCodeWidth = 7;
constexpr int kPaymentTextWidth = 16;
constexpr int kInvoiceLead = 6;
constexpr int kInvoiceWidths[] = {9, 40, 40, 40, 40, 30, 30, 10};

// Writes fields one after the other into a zero-filled payload.
class TFieldWriter {
 public:
  explicit TFieldWriter(TBytes& data) : FData(data) {}
  void Number(double value, int len, int dec) {
    GccEncode().DataToBuf(dtBIN, FieldValue(value), FData, FPos, len, dec);
  }
  void Number(std::int64_t value, int len) {
    GccEncode().DataToBuf(dtBIN, FieldValue(value), FData, FPos, len, 0);
  }
  // A number given as text: the codec reads it, and a text that is not a
  // number leaves the field zero.
  void NumberText(const std::string& text, int len) {
    GccEncode().DataToBuf(dtBIN, FieldValue(text), FData, FPos, len, 0);
  }
  void Text(const std::string& text, int len) {
    GccEncode().DataToBuf(dtGreecAsc, FieldValue(text), FData, FPos, len, 0);
  }
  void Letter(TSaleType type) { Text(SaleTypeLetters[type], 1); }
  void Digits(const std::string& text, int len) {
    GccEncode().DataToBuf(dtBCDE, FieldValue(text), FData, FPos, len, 0);
  }
  void Skip(int len) { FPos += len; }

 private:
  TBytes& FData;
  int FPos = 0;
};

const std::string* Field(const std::vector<std::string>& datas, std::size_t index) {
  return index < datas.size() ? &datas[index] : nullptr;
}

std::string FieldOrEmpty(const std::vector<std::string>& datas, std::size_t index) {
  const std::string* field = Field(datas, index);
  return field ? *field : std::string();
}

std::string AsciiUpper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

[[noreturn]] void ThrowInvalidParameter() {
  throw std::invalid_argument(SysErrorMessage(ERROR_INVALID_PARAMETER_CODE));
}

// The required first field of a table line.
const std::string& TableNumber(const std::vector<std::string>& datas) {
  if (datas.empty()) throw std::out_of_range("Argument out of range");
  return datas.front();
}

TPackedData PackTableNumber(std::uint32_t command, const std::vector<std::string>& datas) {
  const std::string& number = TableNumber(datas);
  TPackedData packed(command, 2);
  TFieldWriter(packed.Data).NumberText(number, 2);
  return packed;
}

}  // namespace

TPackedList TPacker::PackData(TCommandData& CommandData) {
  const std::vector<std::string>& datas = CommandData.Datas;
  TPackedList list;
  switch (CommandData.Kind) {
    case ckTailMsg:
      list.push_back(PackTailMsgData(datas));
      break;
    case ckClerk:
      list.push_back(PackClerkData(datas));
      break;
    case ckSalePLU:
      list.push_back(PackSalePLUData(stPLUSale, datas));
      break;
    case ckRefundPLU:
      list.push_back(PackSalePLUData(stPLUReturn, datas));
      break;
    case ckDiscount:
      list.push_back(PackDisCountData(stDiscount, datas));
      break;
    case ckDiscountP:
      list.push_back(PackDisCountData(stDiscountRE, datas));
      break;
    case ckSubDiscount:
      list.push_back(PackSubTotalData(stSubtotal));
      list.push_back(PackDisCountData(stDiscount, datas));
      break;
    case ckSubDiscountP:
      list.push_back(PackSubTotalData(stSubtotal));
      list.push_back(PackDisCountData(stDiscountRE, datas));
      break;
    case ckCustomTail:
      list.push_back(PackCustomTailData(datas));
      break;
    case ckPayment:
      list.push_back(PackPayMentData(datas));
      break;
    case ckCloseReceipt:
      CommandData.Datas = {"1", "0"};
      list.push_back(PackPayMentData(CommandData.Datas));
      break;
    case ckAllVoid:
      list.push_back(PackSubTotalData(stVoid));
      break;
    case ckZReport:
    case ckXReport:
      list.emplace_back();
      break;
    case ckOpenDrawer:
      list.push_back(PackOpenDrawerData());
      break;
    case ckConnect:
      list.push_back(PackConnectData());
      break;
    case ckDisConnect:
      list.push_back(PackDisConnectData());
      break;
    case ckInvoice:
      list.push_back(PackInvoiceData(datas));
      break;
    case ckTable:
      list.push_back(PackTableData(datas));
      break;
    case ckTableTransfer:
      list.push_back(PackTableTransferData(datas));
      break;
    case ckCloseTable:
      list.push_back(PackCloseTableData(datas));
      break;
    case ckCloseTempTable:
      list.push_back(PackCloseTempTableData(datas));
      break;
    case ckFreeText:
      list.push_back(PackFreeTextData(datas));
      break;
    case ckUnSupport:
      break;
  }
  return list;
}

TPackedData TPacker::PackTailMsgData(const std::vector<std::string>& Datas) {
  TPackedData packed(kCmdTailMsg, 3 * kTailLineWidth);
  TFieldWriter writer(packed.Data);
  for (std::size_t i = 0; i < 3; ++i)
    writer.Text(FieldOrEmpty(Datas, i), kTailLineWidth);
  return packed;
}

TPackedData TPacker::PackClerkData(const std::vector<std::string>& Datas) {
  TPackedData packed(kCmdLogin, 6);
  TFieldWriter writer(packed.Data);
  writer.Number(std::int64_t{ParseInteger(FieldOrEmpty(Datas, 0), 0)}, 2);
  writer.Number(std::int64_t{ParseInteger(FieldOrEmpty(Datas, 1), 0)}, 4);
  return packed;
}

TPackedData TPacker::PackSalePLUData(TSaleType SaleType, const std::vector<std::string>& Datas) {
  const std::uint8_t saleNum = NextSaleNum();
  const double quantity = ParseDecimal(FieldOrEmpty(Datas, 2), 0);
  const double price = ParseDecimal(FieldOrEmpty(Datas, 3), 0);
  TPackedData packed(kCmdSale, 70);
  TFieldWriter writer(packed.Data);
  writer.Number(std::int64_t{saleNum}, 1);
  writer.Letter(SaleType);
  writer.Number(std::int64_t{0}, 1);
  writer.Number(std::int64_t{saleNum}, 4);
  writer.Number(quantity, 5, 3);
  writer.Number(price, 5, 2);
  writer.Text(FieldOrEmpty(Datas, 0), kItemTextWidth);
  writer.Digits(FieldOrEmpty(Datas, 1), kItemCodeWidth);
  writer.Number(price, 5, 2);
  writer.Number(std::int64_t{ParseInteger(FieldOrEmpty(Datas, 4), 0)}, 1);
  writer.Number(std::int64_t{0}, 1);
  writer.Number(std::int64_t{0}, 1);
  return packed;
}

TPackedData TPacker::PackDisCountData(TSaleType SaleType, const std::vector<std::string>& Datas) {
  int valueLen = 0;
  if (SaleType == stDiscount) {
    valueLen = 5;
  } else if (SaleType == stDiscountRE) {
    valueLen = 4;
  } else {
    ThrowInvalidParameter();
  }
  const double value = ParseDecimal(FieldOrEmpty(Datas, 0), 0);
  TPackedData packed(kCmdSale, 2 + valueLen);
  TFieldWriter writer(packed.Data);
  writer.Number(std::int64_t{NextSaleNum()}, 1);
  writer.Letter(SaleType);
  writer.Number(value, valueLen, 2);
  return packed;
}

TPackedData TPacker::PackSubTotalData(TSaleType SaleType) {
  TPackedData packed(kCmdSale, 2);
  TFieldWriter writer(packed.Data);
  writer.Number(std::int64_t{NextSaleNum()}, 1);
  writer.Letter(SaleType);
  return packed;
}

TPackedData TPacker::PackPayMentData(const std::vector<std::string>& Datas) {
  const std::string* modeText = Field(Datas, 0);
  // Checked before the sale number is taken: a refused line uses none.
  if (!modeText || modeText->empty()) ThrowInvalidParameter();
  std::int32_t mode = ParseInteger(*modeText, 1);
  if (mode == 2) {
    mode = 4;
  } else if (mode > 5) {
    mode = 5;
  }
  const double amount = ParseDecimal(FieldOrEmpty(Datas, 1), 0);
  TPackedData packed(kCmdSale, 24);
  TFieldWriter writer(packed.Data);
  writer.Number(std::int64_t{NextSaleNum()}, 1);
  writer.Letter(stPayment);
  writer.Number(std::int64_t{mode}, 1);
  writer.Number(amount, 5, 2);
  writer.Text(AsciiUpper(FieldOrEmpty(Datas, 2)), kPaymentTextWidth);
  return packed;
}

TPackedData TPacker::PackFreeTextData(const std::vector<std::string>& Datas) {
  return PackFreeTextData(kCmdPrintMsg, Datas);
}

TPackedData TPacker::PackFreeTextData(std::uint32_t CommandID,
                                      const std::vector<std::string>& Datas) {
  static const std::string blankLine(kFreeTextWidth, ' ');
  TPackedData packed(CommandID, 3 * kFreeTextWidth);
  TFieldWriter writer(packed.Data);
  for (std::size_t i = 0; i < 3; ++i) {
    const std::string* line = Field(Datas, i);
    // An empty line is printed as blanks; a missing one stays zero.
    writer.Text(line ? (line->empty() ? blankLine : *line) : std::string(), kFreeTextWidth);
  }
  return packed;
}

TPackedData TPacker::PackCustomTailData(const std::vector<std::string>& Datas) {
  return PackFreeTextData(kCmdCustomTail, Datas);
}

TPackedData TPacker::PackOpenDrawerData() {
  TPackedData packed(kCmdGeneral, 1);
  TFieldWriter(packed.Data).Text("d", 1);
  return packed;
}

TPackedData TPacker::PackPrintReportData(const std::string& Command) {
  const int length = static_cast<int>(platform::Utf8ToUtf16(Command).size());
  TPackedData packed(kCmdPrintReport, length);
  TFieldWriter(packed.Data).Text(Command, length);
  return packed;
}

TPackedData TPacker::PackConnectData() {
  return TPackedData(kCmdConnect, 0);
}

TPackedData TPacker::PackDisConnectData() {
  return TPackedData(kCmdDisConnect, 0);
}

TPackedData TPacker::PackInvoiceData(const std::vector<std::string>& Datas) {
  TPackedData packed(kCmdInvoice, 245);
  TFieldWriter writer(packed.Data);
  writer.Skip(kInvoiceLead);
  std::size_t index = 0;
  for (const int width : kInvoiceWidths)
    writer.Text(FieldOrEmpty(Datas, index++), width);
  return packed;
}

TPackedData TPacker::PackTableData(const std::vector<std::string>& Datas) {
  return PackTableNumber(kCmdOpenTable, Datas);
}

TPackedData TPacker::PackTableTransferData(const std::vector<std::string>& Datas) {
  TPackedData packed(kCmdTransferTable, 4);
  TFieldWriter writer(packed.Data);
  for (std::size_t i = 0; i < 2; ++i) {
    const std::string* number = Field(Datas, i);
    if (number) {
      writer.NumberText(*number, 2);
    } else {
      writer.Skip(2);
    }
  }
  return packed;
}

TPackedData TPacker::PackCloseTableData(const std::vector<std::string>& Datas) {
  return PackTableNumber(kCmdCloseTable, Datas);
}

TPackedData TPacker::PackCloseTempTableData(const std::vector<std::string>& Datas) {
  return PackTableNumber(kCmdCloseTempTable, Datas);
}

double TPacker::ParseDecimal(const std::string& S, double Default) const {
  return ParseDecimalText(S, DecimalType, Default);
}

std::int32_t TPacker::ParseInteger(const std::string& S, std::int32_t Default) const {
  return ParseIntegerText(S, Default);
}

std::uint8_t TPacker::NextSaleNum() {
  if (FSaleNum == 0) FSaleNum = 1;
  const std::uint8_t current = FSaleNum;
  FSaleNum = static_cast<std::uint8_t>(FSaleNum + 1);
  return current;
}

}  // namespace danvore
