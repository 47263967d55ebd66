// The simulated register itself: one request (command code and payload) in,
// one reply out, with the receipt, the daily totals, the clerk, the tables,
// the end-of-day transfer and the status word as state. No input or output.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "core/bytes.h"

namespace danvore::sim {

// Error numbers the register puts after its error marker.
enum TRegisterError : int {
  reUnknownCommand = 1,
  reBadData = 2,
  reConnectRequired = 14,
  reNoReceipt = 20,
  reReceiptOpen = 21,
  rePaymentStarted = 22,
  reDiscountTooLarge = 23,
  reUnknownClerk = 30,
  reWrongPassword = 31,
  reTableNotOpen = 40,
  reBadReportKey = 41,
};

// Bits of the status word.
constexpr std::uint16_t kStatusPendingFirst = 0x01;   // read away with 20002
constexpr std::uint16_t kStatusPendingSecond = 0x02;  // read away with 10009
constexpr std::uint16_t kStatusConnectRequired = 0x04;
constexpr std::uint16_t kStatusError = 0x08;
constexpr std::uint16_t kStatusReceiptOpen = 0x10;
constexpr std::uint16_t kStatusPaymentStarted = 0x20;

constexpr std::uint16_t kErrorReplyCode = 0x800D;

// End-of-day transfer state as the query "e" reports it.
struct TTransferState {
  std::uint8_t Status = 0;
  std::uint8_t Attempts = 0;
  std::uint8_t Done = 1;
  int ReplyLength = 3;  // 1, 2 or 3 bytes of the above, in this order

  bool operator==(const TTransferState&) const = default;
};

// What the properties request (30008) reports.
struct TPropertiesSetup {
  std::string FisCode = "DNV00000001";  // 11 characters
  std::uint16_t MachineId = 1;
  std::string Host = "127.0.0.1";
  std::uint16_t Port = 6000;
  std::uint8_t Status = 1;
  std::uint8_t MachineType = 2;
  int Length = 28;  // 26 or 28 bytes
  bool DiningMode = false;
  std::uint8_t LineBit = 0;
};

struct TRegisterSetup {
  // 0x01/0x02 give one pending record of that kind (when the counts below
  // are 0), 0x04 asks for the connect command, 0x08 reports an error
  // condition; other bits are reported as they are.
  std::uint16_t StatusBits = 0;
  std::string StatusText;
  int PendingFirst = 0;   // non-empty answers to 20002 before an empty one
  int PendingSecond = 0;  // the same for 10009
  TTransferState Transfer;
  TPropertiesSetup Properties;
  std::map<int, std::uint32_t> Clerks = {{1, 0}};  // clerk number -> password
  int Baud = 0;  // line speed of the register; 0 answers the probe at any speed
};

struct TReceiptState {
  int Number = 0;  // of the receipt open now, or of the last one
  int Items = 0;
  std::int64_t Total = 0;  // amounts in cents
  std::int64_t Paid = 0;
  std::int64_t Sales = 0;
  std::int64_t Refunds = 0;
  std::int64_t Discounts = 0;
  std::int64_t LastItem = 0;  // what an item discount may still take off
  bool Subtotal = false;      // the next discount applies to the whole receipt
  std::map<int, std::int64_t> Payments;
};

struct TDailyTotals {
  int Receipts = 0;
  int Voided = 0;
  std::int64_t Sales = 0;
  std::int64_t Refunds = 0;
  std::int64_t Discounts = 0;
  std::map<int, std::int64_t> Payments;  // by payment mode

  std::int64_t Net() const { return Sales - Refunds - Discounts; }
};

struct TRegisterRequest {
  std::uint16_t Code = 0;
  TBytes Payload;
  int PortBaud = 0;  // speed of the line the request came on; 0 when unknown
};

struct TRegisterReply {
  bool Silent = false;  // the register does not answer at all
  std::uint16_t Code = 0;
  TBytes Payload;
  std::string Printed;      // what the register printed, UTF-8 lines
  bool EndOfBlock = false;  // a receipt, report or free text is complete
  int NewBaud = 0;          // the register now listens at this speed
};

class TRegisterState {
 public:
  explicit TRegisterState(const TRegisterSetup& setup = {});

  TRegisterReply Execute(const TRegisterRequest& request);

  // An error reply: "ΛAΘOΣ <number>" in the register's character set, with
  // a leading 0xFE byte in the second form.
  static TRegisterReply ErrorReply(int number, bool feForm = false);

  void SetStatus(std::uint16_t bits, const std::string& text);
  void SetPending(int first, int second);
  void SetTransfer(const TTransferState& transfer) { FTransfer = transfer; }
  void SetClerk(int clerk, std::uint32_t password) { FClerks[clerk] = password; }
  void SetBaud(int baud) { FBaud = baud; }
  TPropertiesSetup& Properties() { return FProperties; }

  std::uint16_t StatusWord() const;
  const std::string& StatusText() const { return FStatusText; }
  bool ReceiptOpen() const { return FReceipt.Items > 0; }
  bool PaymentStarted() const { return ReceiptOpen() && FReceipt.Paid != 0; }
  const TReceiptState& Receipt() const { return FReceipt; }
  const TDailyTotals& Daily() const { return FDaily; }
  const TTransferState& Transfer() const { return FTransfer; }
  const TPropertiesSetup& Properties() const { return FProperties; }
  int LastClerk() const { return FLastClerk; }
  bool ConnectRequired() const { return FConnectRequired; }
  int PendingFirst() const { return FPendingFirst; }
  int PendingSecond() const { return FPendingSecond; }
  int Baud() const { return FBaud; }
  int ZCount() const { return FZCount; }
  bool DrawerOpened() const { return FDrawerOpenings > 0; }
  int DrawerOpenings() const { return FDrawerOpenings; }
  const std::set<int>& OpenTables() const { return FOpenTables; }

 private:
  TRegisterReply Dispatch(std::int32_t id, const TRegisterRequest& request);
  TRegisterReply Sale(const TBytes& payload);
  TRegisterReply SaleItem(const TBytes& payload, bool refund);
  TRegisterReply Discount(const TBytes& payload, bool percent);
  TRegisterReply SubtotalLine(const TBytes& payload);
  TRegisterReply VoidReceipt(const TBytes& payload);
  TRegisterReply Payment(const TBytes& payload);
  TRegisterReply CloseReceipt(std::string printed);
  TRegisterReply Login(const TBytes& payload);
  TRegisterReply Report(const TBytes& payload);
  TRegisterReply General(const TBytes& payload);
  TRegisterReply StatusReply() const;
  TRegisterReply PropertiesReply() const;
  TRegisterReply Pending(int& count);
  TRegisterReply Probe(const TRegisterRequest& request);
  TRegisterReply TailMessage(const TBytes& payload);
  TRegisterReply FreeText(const TBytes& payload, bool customTail);
  TRegisterReply Invoice(const TBytes& payload);
  TRegisterReply Table(std::int32_t id, const TBytes& payload);
  std::string ReceiptHeader();
  std::string ReportText(bool zReport) const;

  std::uint16_t FForcedBits = 0;
  bool FErrorCondition = false;
  bool FConnectRequired = false;
  std::string FStatusText;
  int FPendingFirst = 0;
  int FPendingSecond = 0;
  TTransferState FTransfer;
  TPropertiesSetup FProperties;
  std::map<int, std::uint32_t> FClerks;
  int FBaud = 0;
  int FLastClerk = 0;
  int FReceiptCounter = 0;
  int FZCount = 0;
  int FDrawerOpenings = 0;
  TReceiptState FReceipt;
  TDailyTotals FDaily;
  std::set<int> FOpenTables;
  std::string FTailLines[3];
  std::string FCustomTail;  // printed under the next receipt only
};

// "12.50", "-0.05": cents as money text.
std::string FormatAmount(std::int64_t cents);

}  // namespace danvore::sim
