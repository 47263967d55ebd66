// TPacker: turns one parsed line into the register commands that carry it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "packing/command_data.h"

namespace danvore {

enum TSaleType : std::uint8_t {
  stVoid = 0,
  stEc,
  stSubtotal,
  stTicket,
  stDiscountRE,
  stDiscount,
  stPayment,
  stPLUSale,
  stPLUReturn,
  stPLUVoid,
  stDepSale,
  stDepReturn,
  stDepVoid,
  stCancelEndDaily,
  stSelEndDaily,
};
extern const char* const SaleTypeLetters[15];

enum TDecimalType : std::uint8_t { dtComma = 0, dtDot = 1 };

enum TUploadReportMode : std::uint8_t {
  umZDailyReport = 0,
  umXDailyReport,
  umDayCJReport,
  umZPLUReport,
  umXPLUReport,
  umDepReport,
  umGroupReport,
  umPLUCJReport,
  umClerkReport,
  umClerkCJReport,
};

struct TPackedData {
  TPackedData() = default;
  TPackedData(std::uint32_t ACommandID, std::size_t ADataLen)
      : Command(ACommandID), Data(ADataLen, 0) {}
  void Clear() {
    Command = 0;
    Data.clear();
  }
  std::uint32_t Command = 0;
  TBytes Data;
};

using TPackedList = std::vector<TPackedData>;

class TPacker {
 public:
  // Throws std::invalid_argument (system text of error 87) for CR without a
  // mode, std::out_of_range("Argument out of range") for TBL/TCL/TMP
  // without a field. A failing line takes no sale number.
  TPackedList PackData(TCommandData& CommandData);

  TPackedData PackTailMsgData(const std::vector<std::string>& Datas);
  TPackedData PackClerkData(const std::vector<std::string>& Datas);
  TPackedData PackSalePLUData(TSaleType SaleType, const std::vector<std::string>& Datas);
  TPackedData PackDisCountData(TSaleType SaleType, const std::vector<std::string>& Datas);
  TPackedData PackSubTotalData(TSaleType SaleType);
  TPackedData PackPayMentData(const std::vector<std::string>& Datas);
  TPackedData PackFreeTextData(const std::vector<std::string>& Datas);
  TPackedData PackFreeTextData(std::uint32_t CommandID, const std::vector<std::string>& Datas);
  TPackedData PackCustomTailData(const std::vector<std::string>& Datas);
  TPackedData PackOpenDrawerData();
  TPackedData PackPrintReportData(const std::string& Command);
  TPackedData PackConnectData();
  TPackedData PackDisConnectData();
  TPackedData PackInvoiceData(const std::vector<std::string>& Datas);
  TPackedData PackTableData(const std::vector<std::string>& Datas);
  TPackedData PackTableTransferData(const std::vector<std::string>& Datas);
  TPackedData PackCloseTableData(const std::vector<std::string>& Datas);
  TPackedData PackCloseTempTableData(const std::vector<std::string>& Datas);

  TDecimalType DecimalType = dtComma;

  // Field text to numbers, the same on every computer; the grammar is that of
  // ParseDecimalText and ParseIntegerText (packing/number_text.h).
  double ParseDecimal(const std::string& S, double Default) const;
  std::int32_t ParseInteger(const std::string& S, std::int32_t Default) const;

 private:
  std::uint8_t NextSaleNum();
  std::uint8_t FSaleNum = 0;
};

}  // namespace danvore
