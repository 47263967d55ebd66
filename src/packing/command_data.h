// One parsed command-file line, its kind and the line-code table.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace danvore {

enum TCommandKind : std::uint8_t {
  ckTailMsg = 0,
  ckClerk,
  ckSalePLU,
  ckRefundPLU,
  ckDiscount,
  ckDiscountP,
  ckSubDiscount,
  ckSubDiscountP,
  ckCustomTail,
  ckPayment,
  ckCloseReceipt,
  ckAllVoid,
  ckZReport,
  ckXReport,
  ckOpenDrawer,
  ckConnect,
  ckDisConnect,
  ckInvoice,
  ckTable,
  ckTableTransfer,
  ckCloseTable,
  ckCloseTempTable,
  ckFreeText,
  ckUnSupport,
};

extern const std::array<const char*, 24> CommandCodes;

// Upper-cases a to z, then the first equal table entry; ckUnSupport otherwise.
TCommandKind LookupCommandKind(std::string_view code);

class TCommandData {
 public:
  explicit TCommandData(TCommandKind AKind = ckUnSupport) : Kind(AKind) {}
  void Reset() {
    Kind = ckUnSupport;
    Datas.clear();
  }
  TCommandKind Kind;
  std::vector<std::string> Datas;
};

// Splits `line` at `delimiter` (matched without regard to case) into the code
// and the fields, filling `data` (reset first; fields kept only for a known
// kind). `pieces` is the caller's reusable scratch list.
void ParseCommandLine(std::string_view line, std::string_view delimiter, TCommandData& data,
                      std::vector<std::string>& pieces);

}  // namespace danvore
