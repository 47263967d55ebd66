// TccEncode: conversions between values and the register's field encodings.
#pragma once

#include <cstdint>
#include <string>

#include "core/bytes.h"
#include "encoding/field_value.h"

namespace danvore {

enum TDCDataType : std::uint8_t {
  dtBCD = 0,
  dtBCDE,
  dtBIN,
  dtASC,
  dtDATETIME,
  dtDATE,
  dtTIME,
  dtDOUBLE,
  dtDBCD,
  dtIP,
  dtGreecAsc,
};

// Fields are read and written only inside the buffer: bytes of a field that
// lie outside it read as zero, and writes to them are skipped.
class TccEncode {
 public:
  TccEncode() = default;
  virtual ~TccEncode() = default;

  bool Isinclen = true;
  bool Negative = true;
  bool IsCardinal = false;

  FieldValue BufToData(TDCDataType sType, const TBytes& Buf, int& iStartPos, int iLen,
                       int iDec = 0) const;
  FieldValue BufToDataArr(TDCDataType sType, const TBytes& Buf, int& iStartPos, int iLen,
                          int iDec = 0) const;
  // Throws std::invalid_argument for a dtDATE/dtDATETIME value that is not a
  // date (the position has then not moved).
  bool DataToBuf(TDCDataType sType, const FieldValue& sVal, TBytes& Buf, int& iStartPos, int iLen,
                 int iDec = 0) const;
  bool DataToBufArr(TDCDataType sType, const FieldValue& sVal, TBytes& Buf, int& iStartPos,
                    int iLen, int iDec = 0) const;

  std::string TransToGreec(const std::string& Source) const;
  // Register bytes in, decoded text (UTF-8) plus a terminating NUL out.
  bool TransFileToGreec(TBytes& Stream) const;

  // Convenience for the common calls: decode `len` bytes at `pos` as Greek text.
  std::string GreekText(const TBytes& Buf, int pos, int len) const;
  // Text (UTF-8) to the register's Greek character set, one byte per UTF-16 unit.
  TBytes GreekBytes(const std::string& text) const;

 protected:
  virtual FieldValue DecodeBCD(const TBytes& Buf, int iStartPos, int iLen) const;
  virtual FieldValue DecodeDBCD(const TBytes& Buf, int iStartPos, int iLen) const;
  virtual FieldValue DecodeBIN(const TBytes& Buf, int iStartPos, int iLen, int iDec) const;
  virtual FieldValue DecodeASC(const TBytes& Buf, int iStartPos, int iLen) const;
  virtual FieldValue DecodeGreecAsc(const TBytes& Buf, int iStartPos, int iLen) const;
  virtual FieldValue DecodeDATETIME(const TBytes& Buf, int iStartPos) const;
  virtual FieldValue DecodeDATE(const TBytes& Buf, int iStartPos) const;
  virtual FieldValue DecodeTIME(const TBytes& Buf, int iStartPos, int iLen) const;
  virtual FieldValue DecodeDOUBLE(const TBytes& Buf, int iStartPos, int iDec) const;
  virtual FieldValue DecodeBCDE(const TBytes& Buf, int iStartPos, int iLen) const;
  virtual FieldValue DecodeIP(const TBytes& Buf, int iStartPos) const;
  virtual bool EncodeBCD(const FieldValue& sVal, TBytes& Buf, int iStartPos, int iLen) const;
  virtual bool EncodeDBCD(const FieldValue& sVal, TBytes& Buf, int iStartPos, int iLen) const;
  virtual bool EncodeDATE(const FieldValue& sVal, TBytes& Buf, int iStartPos, int iLen) const;
  virtual bool EncodeDATETIME(const FieldValue& sVal, TBytes& Buf, int iStartPos, int iLen) const;
  virtual bool EncodeBIN(const FieldValue& sVal, TBytes& Buf, int iStartPos, int iLen,
                         int iDec) const;
  virtual bool EncodeASC(const FieldValue& sVal, TBytes& Buf, int iStartPos, int iLen) const;
  virtual bool EncodeGreecAsc(const FieldValue& sVal, TBytes& Buf, int iStartPos, int iLen) const;
  virtual bool EncodeDOUBLE(const FieldValue& sVal, TBytes& Buf, int iStartPos, int iDec) const;
  virtual bool EncodeBCDE(const FieldValue& sVal, TBytes& Buf, int iStartPos, int iLen) const;

  // Decoded packed digits without unwritten zero bytes: leading "0"s go,
  // then leading "F"s (written leading zeros) become "0".
  static std::string StripBCDPadding(const std::string& text);

 private:
  FieldValue Decode(TDCDataType sType, const TBytes& Buf, int iStartPos, int iLen, int iDec) const;
  bool Encode(TDCDataType sType, const FieldValue& sVal, TBytes& Buf, int iStartPos, int iLen,
              int iDec) const;
  void Advance(int& iStartPos, int iLen) const;
};

// The process-wide codec with the default flags.
const TccEncode& GccEncode();

}  // namespace danvore
