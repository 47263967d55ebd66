#include "ecr-sim/register_state.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ecr-sim/frame_codec.h"
#include "encoding/codec.h"

namespace danvore::sim {

namespace {

constexpr std::size_t kPaperWidth = 40;
// "ΛAΘOΣ" in the register's character set.
constexpr std::uint8_t kErrorMarker[] = {0xCB, 0x41, 0xC8, 0x4F, 0xD3};
constexpr std::uint8_t kFeMarker = 0xFE;

// Speeds named by the code byte of the baud-rate probe.
constexpr int kProbeRates[] = {9600, 19200, 38400, 57600, 115200, 230400};

std::uint64_t ReadUnsigned(const TBytes& p, std::size_t offset, std::size_t size) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < size; ++i)
    value = (value << 8) | p[offset + i];
  return value;
}

// Numbers travel as sign and magnitude: the top bit of the first byte.
std::int64_t ReadSigned(const TBytes& p, std::size_t offset, std::size_t size) {
  const bool negative = (p[offset] & 0x80) != 0;
  const std::uint64_t value = ReadUnsigned(p, offset, size) & ~(0x80ULL << (8 * (size - 1)));
  return negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
}

void WriteUnsigned(TBytes& p, std::size_t offset, std::size_t size, std::uint64_t value) {
  for (std::size_t i = 0; i < size; ++i) {
    p[offset + size - 1 - i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

std::string Text(const TBytes& p, std::size_t offset, std::size_t size) {
  return GccEncode().GreekText(p, static_cast<int>(offset), static_cast<int>(size));
}

// A text field that was never written (first byte zero) is absent.
bool Present(const TBytes& p, std::size_t offset) {
  return p[offset] != 0;
}

std::size_t Columns(const std::string& text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string Line(const std::string& left, const std::string& right = std::string()) {
  const std::size_t used = Columns(left) + Columns(right);
  const std::size_t gap = right.empty() ? 0 : (used < kPaperWidth ? kPaperWidth - used : 1);
  return left + std::string(gap, ' ') + right + "\n";
}

std::string Separator() {
  return std::string(kPaperWidth, '=') + "\n";
}

std::string FormatQuantity(std::int64_t thousandths) {
  const std::int64_t magnitude = thousandths < 0 ? -thousandths : thousandths;
  char text[40];
  std::snprintf(text, sizeof text, "%s%lld.%03lld", thousandths < 0 ? "-" : "",
                static_cast<long long>(magnitude / 1000), static_cast<long long>(magnitude % 1000));
  return text;
}

std::string PaymentName(int mode, const std::string& text) {
  std::string name = "PAYMENT " + std::to_string(mode);
  return text.empty() ? name : name + " " + text;
}

TRegisterReply Ok(std::string printed = std::string(), bool endOfBlock = false) {
  TRegisterReply reply;
  reply.Printed = std::move(printed);
  reply.EndOfBlock = endOfBlock;
  return reply;
}

bool ParseDotted(const std::string& text, std::uint8_t out[4]) {
  unsigned parts[4] = {};
  char tail = 0;
  if (std::sscanf(text.c_str(), "%u.%u.%u.%u%c", &parts[0], &parts[1], &parts[2], &parts[3],
                  &tail) != 4) {
    return false;
  }
  for (int i = 0; i < 4; ++i)
    out[i] = static_cast<std::uint8_t>(parts[i]);
  return true;
}

}  // namespace

std::string FormatAmount(std::int64_t cents) {
  const std::int64_t magnitude = cents < 0 ? -cents : cents;
  char text[40];
  std::snprintf(text, sizeof text, "%s%lld.%02lld", cents < 0 ? "-" : "",
                static_cast<long long>(magnitude / 100), static_cast<long long>(magnitude % 100));
  return text;
}

TRegisterState::TRegisterState(const TRegisterSetup& setup)
    : FTransfer(setup.Transfer),
      FProperties(setup.Properties),
      FClerks(setup.Clerks),
      FBaud(setup.Baud) {
  SetStatus(setup.StatusBits, setup.StatusText);
  if (setup.PendingFirst > 0) FPendingFirst = setup.PendingFirst;
  if (setup.PendingSecond > 0) FPendingSecond = setup.PendingSecond;
}

TRegisterReply TRegisterState::ErrorReply(int number, bool feForm) {
  TRegisterReply reply;
  reply.Code = kErrorReplyCode;
  const std::string digits = " " + std::to_string(number);
  TBytes& p = reply.Payload;
  p.resize((feForm ? 1 : 0) + std::size(kErrorMarker) + digits.size());
  auto out = p.begin();
  if (feForm) *out++ = kFeMarker;
  out = std::copy(std::begin(kErrorMarker), std::end(kErrorMarker), out);
  std::copy(digits.begin(), digits.end(), out);
  return reply;
}

void TRegisterState::SetStatus(std::uint16_t bits, const std::string& text) {
  FPendingFirst = (bits & kStatusPendingFirst) != 0 ? std::max(FPendingFirst, 1) : 0;
  FPendingSecond = (bits & kStatusPendingSecond) != 0 ? std::max(FPendingSecond, 1) : 0;
  FConnectRequired = (bits & kStatusConnectRequired) != 0;
  FErrorCondition = (bits & kStatusError) != 0;
  FForcedBits = bits & static_cast<std::uint16_t>(~0x0Fu);
  FStatusText = text;
}

void TRegisterState::SetPending(int first, int second) {
  FPendingFirst = std::max(first, 0);
  FPendingSecond = std::max(second, 0);
}

std::uint16_t TRegisterState::StatusWord() const {
  std::uint16_t word = FForcedBits;
  if (FPendingFirst > 0) word |= kStatusPendingFirst;
  if (FPendingSecond > 0) word |= kStatusPendingSecond;
  if (FConnectRequired) word |= kStatusConnectRequired;
  if (FErrorCondition) word |= kStatusError;
  if (ReceiptOpen()) word |= kStatusReceiptOpen;
  if (PaymentStarted()) word |= kStatusPaymentStarted;
  return word;
}

TRegisterReply TRegisterState::Execute(const TRegisterRequest& request) {
  TRegisterReply reply = Dispatch(CommandIdOf(request.Code), request);
  if (reply.Code == 0) reply.Code = request.Code;
  return reply;
}

TRegisterReply TRegisterState::Dispatch(std::int32_t id, const TRegisterRequest& request) {
  const TBytes& p = request.Payload;
  switch (id) {
    case 20000:
      return StatusReply();
    case 20002:
      return Pending(FPendingFirst);
    case 10009:
      return Pending(FPendingSecond);
    case 10000:
      FConnectRequired = false;
      return Ok();
    case 10001:
    case 10003:
      return Ok();
    case 10002:
      return Login(p);
    case 10004:
      return Sale(p);
    case 30009:
      return Report(p);
    case 10011:
      return FreeText(p, false);
    case 10019:
      return FreeText(p, true);
    case 10012:
      return General(p);
    case 10013:
      return TailMessage(p);
    case 10014:
      return Invoice(p);
    case 10015:
    case 10016:
    case 10017:
    case 10018:
      return Table(id, p);
    case 100:
      return Probe(request);
    case 30008:
      return PropertiesReply();
    default:
      return ErrorReply(reUnknownCommand);
  }
}

TRegisterReply TRegisterState::StatusReply() const {
  TRegisterReply reply;
  const std::uint16_t word = StatusWord();
  reply.Payload = {static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word)};
  if (!FStatusText.empty()) {
    const TBytes text = GccEncode().GreekBytes(FStatusText);
    reply.Payload.insert(reply.Payload.end(), text.begin(), text.end());
  }
  return reply;
}

TRegisterReply TRegisterState::Pending(int& count) {
  TRegisterReply reply;
  if (count > 0) {
    --count;
    reply.Payload = {'R', 'E', 'C', static_cast<std::uint8_t>(count)};
  }
  return reply;
}

TRegisterReply TRegisterState::Probe(const TRegisterRequest& request) {
  TRegisterReply reply;
  if (FBaud != 0 && request.PortBaud != 0 && request.PortBaud != FBaud) {
    reply.Silent = true;  // at another speed the register hears only noise
    return reply;
  }
  // The probe names the speed the bridge will use from now on.
  if (FBaud != 0 && !request.Payload.empty() && request.Payload[0] < std::size(kProbeRates)) {
    const int rate = kProbeRates[request.Payload[0]];
    if (rate != FBaud) reply.NewBaud = FBaud = rate;
  }
  return reply;
}

TRegisterReply TRegisterState::PropertiesReply() const {
  TRegisterReply reply;
  TBytes& p = reply.Payload;
  p.assign(28, 0);
  const TBytes code = GccEncode().GreekBytes(FProperties.FisCode);
  std::copy_n(code.begin(), std::min<std::size_t>(code.size(), 11), p.begin());
  WriteUnsigned(p, 11, 2, FProperties.MachineId);
  p[13] = static_cast<std::uint8_t>(FLastClerk);
  const auto clerk = FClerks.find(FLastClerk);
  WriteUnsigned(p, 14, 4, clerk != FClerks.end() ? clerk->second : 0);
  std::uint8_t address[4] = {};
  if (ParseDotted(FProperties.Host, address)) std::copy_n(address, 4, p.begin() + 18);
  p[22] = FProperties.Status;
  WriteUnsigned(p, 23, 2, FProperties.Port);
  p[25] = FProperties.MachineType;
  p[26] = FProperties.DiningMode ? 1 : 0;
  p[27] = FProperties.LineBit;
  p.resize(static_cast<std::size_t>(std::max(FProperties.Length, 0)));
  return reply;
}

TRegisterReply TRegisterState::Login(const TBytes& p) {
  if (p.size() != 6) return ErrorReply(reBadData);
  if (ReceiptOpen()) return ErrorReply(reReceiptOpen);
  const int clerk = static_cast<int>(ReadUnsigned(p, 0, 2));
  const auto found = FClerks.find(clerk);
  if (found == FClerks.end()) return ErrorReply(reUnknownClerk);
  if (found->second != static_cast<std::uint32_t>(ReadUnsigned(p, 2, 4))) {
    return ErrorReply(reWrongPassword);
  }
  FLastClerk = clerk;
  return Ok();
}

TRegisterReply TRegisterState::Sale(const TBytes& p) {
  if (p.size() < 2) return ErrorReply(reBadData);
  if (FConnectRequired) return ErrorReply(reConnectRequired);
  switch (p[1]) {
    case 'S':
      return SaleItem(p, false);
    case 'R':
      return SaleItem(p, true);
    case 'D':
      return Discount(p, false);
    case 'M':
      return Discount(p, true);
    case 'B':
      return SubtotalLine(p);
    case 'C':
      return VoidReceipt(p);
    case 'F':
      return Payment(p);
    default:
      return ErrorReply(reBadData);
  }
}

std::string TRegisterState::ReceiptHeader() {
  FReceipt = TReceiptState{};
  FReceipt.Number = ++FReceiptCounter;
  char number[16];
  std::snprintf(number, sizeof number, "%04d", FReceipt.Number);
  return Line("RECEIPT " + std::string(number),
              FLastClerk != 0 ? "CLERK " + std::to_string(FLastClerk) : std::string());
}

TRegisterReply TRegisterState::SaleItem(const TBytes& p, bool refund) {
  if (p.size() != 70) return ErrorReply(reBadData);
  if (PaymentStarted()) return ErrorReply(rePaymentStarted);
  const std::int64_t quantity = ReadSigned(p, 7, 5);
  const std::int64_t price = ReadSigned(p, 12, 5);
  const auto amount = static_cast<std::int64_t>(
      std::llround(static_cast<long double>(quantity) * static_cast<long double>(price) / 1000));
  std::string printed = ReceiptOpen() ? std::string() : ReceiptHeader();
  if (quantity != 1000)
    printed += Line("  " + FormatQuantity(quantity) + " x " + FormatAmount(price));
  ++FReceipt.Items;
  FReceipt.Subtotal = false;
  if (refund) {
    FReceipt.Total -= amount;
    FReceipt.Refunds += amount;
    FReceipt.LastItem = 0;
    printed += Line("REFUND " + Text(p, 17, 38), FormatAmount(-amount));
  } else {
    FReceipt.Total += amount;
    FReceipt.Sales += amount;
    FReceipt.LastItem = amount;
    printed += Line(Text(p, 17, 38), FormatAmount(amount));
  }
  return Ok(printed);
}

TRegisterReply TRegisterState::Discount(const TBytes& p, bool percent) {
  if (p.size() != (percent ? 6u : 7u)) return ErrorReply(reBadData);
  if (!ReceiptOpen()) return ErrorReply(reNoReceipt);
  if (PaymentStarted()) return ErrorReply(rePaymentStarted);
  const std::int64_t base = FReceipt.Subtotal ? FReceipt.Total : FReceipt.LastItem;
  const std::int64_t value = ReadSigned(p, 2, percent ? 4 : 5);
  if (value < 0 || (percent && value > 10000)) return ErrorReply(reBadData);
  const std::int64_t amount =
      percent ? static_cast<std::int64_t>(std::llround(static_cast<double>(base) * value / 10000.0))
              : value;
  if (amount > base) return ErrorReply(reDiscountTooLarge);
  FReceipt.Total -= amount;
  FReceipt.Discounts += amount;
  if (!FReceipt.Subtotal) FReceipt.LastItem -= amount;
  FReceipt.Subtotal = false;
  const std::string label = percent ? "DISCOUNT " + FormatAmount(value) + "%" : "DISCOUNT";
  return Ok(Line(label, FormatAmount(-amount)));
}

TRegisterReply TRegisterState::SubtotalLine(const TBytes& p) {
  if (p.size() != 2) return ErrorReply(reBadData);
  if (!ReceiptOpen()) return ErrorReply(reNoReceipt);
  if (PaymentStarted()) return ErrorReply(rePaymentStarted);
  FReceipt.Subtotal = true;
  return Ok(Line("SUBTOTAL", FormatAmount(FReceipt.Total)));
}

TRegisterReply TRegisterState::VoidReceipt(const TBytes& p) {
  if (p.size() != 2) return ErrorReply(reBadData);
  if (!ReceiptOpen()) return ErrorReply(reNoReceipt);
  if (PaymentStarted()) return ErrorReply(rePaymentStarted);
  ++FDaily.Voided;
  const int number = FReceipt.Number;
  FReceipt = TReceiptState{};
  FReceipt.Number = number;
  return Ok(Line("RECEIPT VOIDED") + Separator(), true);
}

TRegisterReply TRegisterState::Payment(const TBytes& p) {
  if (p.size() != 24) return ErrorReply(reBadData);
  if (!ReceiptOpen()) return ErrorReply(reNoReceipt);
  const int mode = p[2];
  const std::int64_t amount = ReadSigned(p, 3, 5);
  if (amount < 0) return ErrorReply(reBadData);
  const std::int64_t remaining = std::max<std::int64_t>(FReceipt.Total - FReceipt.Paid, 0);
  // An amount of 0 pays whatever is still due.
  const std::int64_t paid = amount == 0 ? remaining : amount;
  FReceipt.Paid += paid;
  FReceipt.Payments[mode] += std::min(paid, remaining);
  std::string printed = Line(PaymentName(mode, Text(p, 8, 16)), FormatAmount(paid));
  if (FReceipt.Paid < FReceipt.Total) return Ok(printed);
  return CloseReceipt(printed);
}

TRegisterReply TRegisterState::CloseReceipt(std::string printed) {
  printed += Line("TOTAL", FormatAmount(FReceipt.Total));
  if (FReceipt.Paid > FReceipt.Total && FReceipt.Paid > 0) {
    printed += Line("CHANGE", FormatAmount(FReceipt.Paid - FReceipt.Total));
  }
  for (const std::string& tail : FTailLines) {
    if (!tail.empty()) printed += Line(tail);
  }
  printed += FCustomTail + Separator();
  FCustomTail.clear();
  ++FDaily.Receipts;
  FDaily.Sales += FReceipt.Sales;
  FDaily.Refunds += FReceipt.Refunds;
  FDaily.Discounts += FReceipt.Discounts;
  for (const auto& [mode, amount] : FReceipt.Payments)
    FDaily.Payments[mode] += amount;
  const int number = FReceipt.Number;
  FReceipt = TReceiptState{};
  FReceipt.Number = number;
  return Ok(printed, true);
}

std::string TRegisterState::ReportText(bool zReport) const {
  char number[16];
  std::snprintf(number, sizeof number, "%04d", FZCount + 1);
  std::string text = zReport ? Line("Z REPORT", number) : Line("X REPORT");
  text += Line("RECEIPTS", std::to_string(FDaily.Receipts));
  text += Line("VOIDED RECEIPTS", std::to_string(FDaily.Voided));
  text += Line("SALES", FormatAmount(FDaily.Sales));
  text += Line("REFUNDS", FormatAmount(-FDaily.Refunds));
  text += Line("DISCOUNTS", FormatAmount(-FDaily.Discounts));
  for (const auto& [mode, amount] : FDaily.Payments) {
    text += Line(PaymentName(mode, std::string()), FormatAmount(amount));
  }
  return text + Line("NET TOTAL", FormatAmount(FDaily.Net())) + Separator();
}

TRegisterReply TRegisterState::Report(const TBytes& p) {
  const std::string key = p.empty() ? std::string() : Text(p, 0, p.size());
  if (key == "101") return Ok(ReportText(false), true);
  if (key != "501") return ErrorReply(reBadReportKey);
  if (ReceiptOpen()) return ErrorReply(reReceiptOpen);
  TRegisterReply reply = Ok(ReportText(true), true);
  ++FZCount;
  FDaily = TDailyTotals{};
  return reply;
}

TRegisterReply TRegisterState::General(const TBytes& p) {
  if (p.size() != 1) return ErrorReply(reBadData);
  TRegisterReply reply;
  switch (p[0]) {
    case 'd':
      ++FDrawerOpenings;
      return reply;
    case 'e': {
      const TBytes state = {FTransfer.Status, FTransfer.Attempts, FTransfer.Done};
      const std::size_t length = static_cast<std::size_t>(std::clamp(FTransfer.ReplyLength, 1, 3));
      reply.Payload.assign(state.begin(), state.begin() + static_cast<std::ptrdiff_t>(length));
      return reply;
    }
    case 's':
      FTransfer.Status = 2;
      FTransfer.Done = 1;
      return reply;
    case 'c':
      if (FTransfer.Attempts < 255) ++FTransfer.Attempts;
      return reply;
    default:
      return ErrorReply(reBadData);
  }
}

TRegisterReply TRegisterState::TailMessage(const TBytes& p) {
  if (p.size() != 96) return ErrorReply(reBadData);
  for (std::size_t k = 0; k < 3; ++k) {
    FTailLines[k] = Present(p, 32 * k) ? Text(p, 32 * k, 32) : std::string();
  }
  return Ok();
}

TRegisterReply TRegisterState::FreeText(const TBytes& p, bool customTail) {
  if (p.size() != 144) return ErrorReply(reBadData);
  std::string lines;
  for (std::size_t k = 0; k < 3; ++k) {
    if (Present(p, 48 * k)) lines += Line(Text(p, 48 * k, 48));
  }
  if (customTail) {
    FCustomTail = lines;
    return Ok();
  }
  return Ok(lines, !ReceiptOpen());
}

TRegisterReply TRegisterState::Invoice(const TBytes& p) {
  if (p.size() != 245) return ErrorReply(reBadData);
  static constexpr std::size_t kFields[][2] = {{6, 9},    {15, 40},  {55, 40},  {95, 40},
                                               {135, 40}, {175, 30}, {205, 30}, {235, 10}};
  std::string printed = Line("INVOICE");
  for (const auto& field : kFields) {
    if (Present(p, field[0])) printed += Line(Text(p, field[0], field[1]));
  }
  return Ok(printed, !ReceiptOpen());
}

TRegisterReply TRegisterState::Table(std::int32_t id, const TBytes& p) {
  if (p.size() != (id == 10015 ? 4u : 2u)) return ErrorReply(reBadData);
  const int table = static_cast<int>(ReadSigned(p, 0, 2));
  const std::string name = "TABLE " + std::to_string(table);
  if (id == 10017) {
    FOpenTables.insert(table);
    return Ok(Line(name + " OPEN"), true);
  }
  if (FOpenTables.count(table) == 0) return ErrorReply(reTableNotOpen);
  if (id == 10016) {
    FOpenTables.erase(table);
    return Ok(Line(name + " CLOSED"), true);
  }
  if (id == 10018) return Ok(Line(name + " TEMPORARILY CLOSED"), true);
  const int target = static_cast<int>(ReadSigned(p, 2, 2));
  FOpenTables.erase(table);
  FOpenTables.insert(target);
  return Ok(Line(name + " MOVED TO TABLE " + std::to_string(target)), true);
}

}  // namespace danvore::sim
