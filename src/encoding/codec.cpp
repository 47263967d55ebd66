#include "encoding/codec.h"

#include <algorithm>
#include <exception>
#include <limits>

#include "encoding/byte_access.h"
#include "encoding/greek_charset.h"
#include "platform/utf.h"

namespace danvore {

FieldValue TccEncode::BufToData(TDCDataType sType, const TBytes& Buf, int& iStartPos, int iLen,
                                int iDec) const {
  FieldValue result = Decode(sType, Buf, iStartPos, iLen, iDec);
  Advance(iStartPos, iLen);
  return result;
}

FieldValue TccEncode::BufToDataArr(TDCDataType sType, const TBytes& Buf, int& iStartPos, int iLen,
                                   int iDec) const {
  // The decoder sees only the field: bytes after it read as zeros. Copying
  // just the part inside the buffer gives the same zeros without
  // allocating for a field that runs past the end.
  const std::int64_t start = iStartPos;
  const std::int64_t available = std::max<std::int64_t>(
      0, std::min<std::int64_t>(iLen, static_cast<std::int64_t>(Buf.size()) - start));
  TBytes field(static_cast<std::size_t>(available));
  for (std::int64_t i = 0; i < available; ++i) {
    field[static_cast<std::size_t>(i)] = detail::ReadByte(Buf, start + i);
  }
  FieldValue result = Decode(sType, field, 0, iLen, iDec);
  Advance(iStartPos, iLen);
  return result;
}

bool TccEncode::DataToBuf(TDCDataType sType, const FieldValue& sVal, TBytes& Buf, int& iStartPos,
                          int iLen, int iDec) const {
  const bool result = Encode(sType, sVal, Buf, iStartPos, iLen, iDec);
  Advance(iStartPos, iLen);
  return result;
}

bool TccEncode::DataToBufArr(TDCDataType sType, const FieldValue& sVal, TBytes& Buf, int& iStartPos,
                             int iLen, int iDec) const {
  TBytes field(static_cast<std::size_t>(std::max(iLen, 0)));
  const bool result = Encode(sType, sVal, field, 0, iLen, iDec);
  for (std::size_t i = 0; i < field.size(); ++i) {
    detail::WriteByte(Buf, static_cast<std::int64_t>(iStartPos) + static_cast<std::int64_t>(i),
                      field[i]);
  }
  Advance(iStartPos, iLen);
  return result;
}

std::string TccEncode::TransToGreec(const std::string& Source) const {
  return Source;
}

bool TccEncode::TransFileToGreec(TBytes& Stream) const {
  if (Stream.empty()) return false;
  try {
    const int size =
        static_cast<int>(std::min<std::size_t>(Stream.size(), std::numeric_limits<int>::max()));
    const std::string text = GreekText(Stream, 0, size);
    if (text.empty()) return false;
    Stream.assign(text.begin(), text.end());
    Stream.push_back(0);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::string TccEncode::GreekText(const TBytes& Buf, int pos, int len) const {
  return DecodeGreecAsc(Buf, pos, len).AsText();
}

TBytes TccEncode::GreekBytes(const std::string& text) const {
  const std::u16string units = platform::Utf8ToUtf16(text);
  TBytes bytes;
  bytes.reserve(units.size());
  for (const char16_t unit : units)
    bytes.push_back(GreekByteOf(unit));
  return bytes;
}

FieldValue TccEncode::Decode(TDCDataType sType, const TBytes& Buf, int iStartPos, int iLen,
                             int iDec) const {
  switch (sType) {
    case dtBCD:
      return DecodeBCD(Buf, iStartPos, iLen);
    case dtBCDE:
      return DecodeBCDE(Buf, iStartPos, iLen);
    case dtBIN:
      return DecodeBIN(Buf, iStartPos, iLen, iDec);
    case dtASC:
      return DecodeASC(Buf, iStartPos, iLen);
    case dtDATETIME:
      return DecodeDATETIME(Buf, iStartPos);
    case dtDATE:
      return DecodeDATE(Buf, iStartPos);
    case dtTIME:
      return DecodeTIME(Buf, iStartPos, iLen);
    case dtDOUBLE:
      return DecodeDOUBLE(Buf, iStartPos, iDec);
    case dtDBCD:
      return DecodeDBCD(Buf, iStartPos, iLen);
    case dtIP:
      return DecodeIP(Buf, iStartPos);
    case dtGreecAsc:
      return DecodeGreecAsc(Buf, iStartPos, iLen);
  }
  return FieldValue(std::string());
}

bool TccEncode::Encode(TDCDataType sType, const FieldValue& sVal, TBytes& Buf, int iStartPos,
                       int iLen, int iDec) const {
  switch (sType) {
    case dtBCD:
      return EncodeBCD(sVal, Buf, iStartPos, iLen);
    case dtBCDE:
      return EncodeBCDE(sVal, Buf, iStartPos, iLen);
    case dtBIN:
      return EncodeBIN(sVal, Buf, iStartPos, iLen, iDec);
    case dtASC:
      return EncodeASC(sVal, Buf, iStartPos, iLen);
    case dtDATETIME:
      return EncodeDATETIME(sVal, Buf, iStartPos, iLen);
    case dtDATE:
      return EncodeDATE(sVal, Buf, iStartPos, iLen);
    case dtDOUBLE:
      return EncodeDOUBLE(sVal, Buf, iStartPos, iDec);
    case dtDBCD:
      return EncodeDBCD(sVal, Buf, iStartPos, iLen);
    case dtGreecAsc:
      return EncodeGreecAsc(sVal, Buf, iStartPos, iLen);
    case dtTIME:
    case dtIP:
      break;
  }
  return false;
}

void TccEncode::Advance(int& iStartPos, int iLen) const {
  if (!Isinclen) return;
  const std::int64_t next = static_cast<std::int64_t>(iStartPos) + iLen;
  iStartPos = static_cast<int>(std::clamp<std::int64_t>(next, std::numeric_limits<int>::min(),
                                                        std::numeric_limits<int>::max()));
}

const TccEncode& GccEncode() {
  static const TccEncode instance;
  return instance;
}

}  // namespace danvore
