#include <cmath>

#include "encoding/codec.h"
#include "link/hecr_link.h"

namespace danvore {

namespace {

constexpr std::int32_t kProbeCommand = 100;
constexpr std::int32_t kPropertiesCommand = 30008;
constexpr std::size_t kShortReply = 26;  // without dining mode and line width
constexpr std::size_t kFullReply = 28;

double Number(const TBytes& payload, TDCDataType type, int position, int length) {
  double value = 0;
  GccEncode().BufToData(type, payload, position, length).TryAsDouble(value);
  return value;
}

std::int32_t BinInt(const TBytes& payload, int position, int length) {
  return static_cast<std::int32_t>(
      static_cast<std::int64_t>(Number(payload, dtBIN, position, length)));
}

TMachineType MachineTypeOf(std::uint8_t code) {
  switch (code) {
    case 2:
      return mtFCR2;
    case 3:
      return mtFCR3;
    case 5:
      return mtFCR5;
    default:
      return mtFCR1;
  }
}

}  // namespace

void GetEcrProperties(THecrLink& Link, TEcrProperties& Props, TResult& Result) {
  if (!Link.Connect(kProbeCommand, "1")) {
    SetResult(rcError, "Error", 0, Result);
    return;
  }
  TBytes payload;
  Result = Link.SendBuffer(kPropertiesCommand, payload, 0, 0, 500, 1, "1");
  if (Result.Code != rcSuccess) return;
  Props.FisidNo.clear();
  Props.host.clear();
  Props.MachineId = 0;
  Props.ClerkID = 0;
  Props.PassWord = 0;
  Props.port = 0;
  if (payload.size() < kShortReply) {
    SetResult(rcError, "Error", 0, Result);
    return;
  }
  const TccEncode& codec = GccEncode();
  Props.FisCode = codec.GreekText(payload, 0, 11);
  Props.MachineId = BinInt(payload, 11, 2);
  Props.ClerkID = payload[13];
  Props.PassWord = BinInt(payload, 14, 4);
  int position = 18;
  Props.host = codec.BufToData(dtIP, payload, position, 4).AsText();
  Props.Status = BinInt(payload, 22, 1);
  Props.port = static_cast<std::int32_t>(std::trunc(std::fabs(Number(payload, dtBIN, 23, 2))));
  Props.MachineType = MachineTypeOf(payload[25]);
  if (payload.size() >= kFullReply) {
    Props.DiningMode = payload[26] == 1;
    Props.LineBit = payload[27];
  }
}

}  // namespace danvore
