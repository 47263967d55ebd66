#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "codec_test_util.h"

namespace danvore {
namespace {

using test::Bytes;
using test::Hex;

TEST(CodecPosition, ConsecutiveFieldsFollowEachOther) {
  TBytes buf(6, 0);
  int pos = 0;
  EXPECT_TRUE(GccEncode().DataToBuf(dtBIN, 7, buf, pos, 1));
  EXPECT_EQ(pos, 1);
  EXPECT_TRUE(GccEncode().DataToBuf(dtGreecAsc, "\u0391", buf, pos, 1));
  EXPECT_EQ(pos, 2);
  EXPECT_TRUE(GccEncode().DataToBuf(dtBIN, 12.5, buf, pos, 4, 2));
  EXPECT_EQ(pos, 6);
  EXPECT_EQ(Hex(buf), "07 C1 00 00 04 E2");

  pos = 0;
  double first = 0;
  ASSERT_TRUE(GccEncode().BufToData(dtBIN, buf, pos, 1).TryAsDouble(first));
  EXPECT_EQ(GccEncode().BufToData(dtGreecAsc, buf, pos, 1).AsText(), "\u0391");
  double third = 0;
  ASSERT_TRUE(GccEncode().BufToData(dtBIN, buf, pos, 4, 2).TryAsDouble(third));
  EXPECT_EQ(first, 7);
  EXPECT_EQ(third, 12.5);
  EXPECT_EQ(pos, 6);
}

TEST(CodecPosition, AdvancesAfterEveryResultAndOnlyWithIsinclen) {
  const struct {
    const char* name;
    TDCDataType type;
    FieldValue value;
    bool ok;
  } cases[] = {
      {"Converted", dtBIN, 5, true},
      {"NotANumber", dtBIN, "abc", false},
      {"TimeHasNoEncoder", dtTIME, 0.5, false},
      {"IpHasNoEncoder", dtIP, "1.2.3.4", false},
      {"UnknownType", static_cast<TDCDataType>(11), 5, false},
      {"BcdeNonHex", dtBCDE, "x", false},
  };
  for (const bool inc : {true, false}) {
    TccEncode codec;
    codec.Isinclen = inc;
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << c.name << (inc ? " with" : " without") << " Isinclen");
      TBytes buf(8, 0xEE);
      int pos = 2;
      EXPECT_EQ(codec.DataToBuf(c.type, c.value, buf, pos, 3), c.ok);
      EXPECT_EQ(pos, inc ? 5 : 2);
      if (!c.ok) {
        EXPECT_EQ(buf, TBytes(8, 0xEE));
      }
      pos = 2;
      EXPECT_EQ(codec.DataToBufArr(c.type, c.value, buf, pos, 3), c.ok);
      EXPECT_EQ(pos, inc ? 5 : 2);
      pos = 2;
      codec.BufToData(c.type, buf, pos, 3);
      EXPECT_EQ(pos, inc ? 5 : 2);
      pos = 2;
      codec.BufToDataArr(c.type, buf, pos, 3);
      EXPECT_EQ(pos, inc ? 5 : 2);
    }
  }
}

TEST(CodecPosition, UnknownTypeDecodesToEmptyText) {
  const TBytes buf = Bytes("41 42");
  int pos = 0;
  const FieldValue got = GccEncode().BufToData(static_cast<TDCDataType>(11), buf, pos, 2);
  EXPECT_EQ(got.kind(), FieldValue::fvText);
  EXPECT_EQ(got.AsText(), "");
}

TEST(CodecArr, DataToBufArrOverwritesTheWholeField) {
  const struct {
    const char* name;
    TDCDataType type;
    FieldValue value;
    const char* plain;
    const char* arr;
  } cases[] = {
      {"BinNumber", dtBIN, 7, "EE 00 00 00 07 EE", "EE 00 00 00 07 EE"},
      {"GreekTextShorterThanField", dtGreecAsc, "AB", "EE 41 42 EE EE EE", "EE 41 42 00 00 EE"},
      {"BcdOddDigits", dtBCD, "123", "EE EE EE 01 23 EE", "EE 00 00 01 23 EE"},
      {"FailedConversionClearsField", dtBIN, "abc", "EE EE EE EE EE EE", "EE 00 00 00 00 EE"},
      // The double's eight bytes do not spill past a four-byte field.
      {"DoubleCutToField", dtDOUBLE, 12.5, "EE 40 29 00 00 00", "EE 40 29 00 00 EE"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TBytes plain(6, 0xEE);
    TBytes arr(6, 0xEE);
    int plainPos = 1;
    int arrPos = 1;
    const bool plainOk = GccEncode().DataToBuf(c.type, c.value, plain, plainPos, 4);
    EXPECT_EQ(GccEncode().DataToBufArr(c.type, c.value, arr, arrPos, 4), plainOk);
    EXPECT_EQ(Hex(plain), c.plain);
    EXPECT_EQ(Hex(arr), c.arr);
    EXPECT_EQ(arrPos, 5);
  }
}

TEST(CodecArr, BufToDataArrDecodesOnlyTheFieldBytes) {
  const TBytes buf = Bytes("40 29 00 00 11 11 11 11");
  int pos = 0;
  double fromArr = 0;
  ASSERT_TRUE(GccEncode().BufToDataArr(dtDOUBLE, buf, pos, 4).TryAsDouble(fromArr));
  EXPECT_EQ(fromArr, 12.5);
  EXPECT_EQ(pos, 4);
  pos = 0;
  double plain = 0;
  ASSERT_TRUE(GccEncode().BufToData(dtDOUBLE, buf, pos, 4).TryAsDouble(plain));
  EXPECT_NE(plain, 12.5);

  const TBytes ip = Bytes("C0 A8 01 0A");
  pos = 0;
  EXPECT_EQ(GccEncode().BufToDataArr(dtIP, ip, pos, 2).AsText(), "192.168.0.0");
  pos = 1;
  EXPECT_EQ(GccEncode().BufToDataArr(dtGreecAsc, ip, pos, 2).AsText(), "\u00A8");
}

// Fields that reach outside their buffer: writes there are dropped, reads
// there give zeros, and the buffer keeps its size.
TEST(CodecBounds, WritesOutsideTheBufferAreDropped) {
  const struct {
    const char* name;
    TDCDataType type;
    FieldValue value;
    int pos;
    int len;
    const char* hex;
  } cases[] = {
      {"GreekPastEnd", dtGreecAsc, "ABCD", 1, 4, "EE 41 42"},
      {"GreekBeforeStart", dtGreecAsc, "ABCD", -2, 4, "43 44 EE"},
      {"BinPastEnd", dtBIN, 0x010203, 1, 4, "EE 00 01"},
      {"BinBeforeStart", dtBIN, 0x010203, -1, 4, "01 02 03"},
      {"NegativeBinSignByteOutside", dtBIN, -2, -1, 2, "02 EE EE"},
      {"BcdPastEnd", dtBCD, "123456", 2, 3, "EE EE 12"},
      {"AscPastEnd", dtASC, "AB", 2, 4, "EE EE 41"},
      {"DoublePastEnd", dtDOUBLE, 12.5, 0, 8, "40 29 00"},
      {"DatePastEnd", dtDATE, EncodeDateTime(2024, 3, 15), 1, 4, "EE 20 24"},
      {"FarAway", dtBIN, 1, 1000000, 4, "EE EE EE"},
      {"FarBefore", dtBIN, 1, -1000000, 4, "EE EE EE"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const bool arr : {false, true}) {
      TBytes buf(3, 0xEE);
      int pos = c.pos;
      if (arr) {
        GccEncode().DataToBufArr(c.type, c.value, buf, pos, c.len);
      } else {
        GccEncode().DataToBuf(c.type, c.value, buf, pos, c.len);
      }
      if (!arr) {
        EXPECT_EQ(Hex(buf), c.hex);
      }
      EXPECT_EQ(buf.size(), 3u);
      EXPECT_EQ(pos, c.pos + c.len);
    }
  }
}

TEST(CodecBounds, ReadsOutsideTheBufferGiveZeros) {
  const TBytes buf = Bytes("01 41");
  const auto number = [&](int pos, int len) {
    double value = -1;
    EXPECT_TRUE(GccEncode().BufToData(dtBIN, buf, pos, len).TryAsDouble(value));
    return value;
  };
  EXPECT_EQ(number(1, 4), 0x41000000);
  EXPECT_EQ(number(-1, 2), 1);
  EXPECT_EQ(number(5, 2), 0);
  EXPECT_EQ(number(0, 0), 0);

  int pos = 1;
  EXPECT_EQ(GccEncode().BufToData(dtIP, buf, pos, 4).AsText(), "65.0.0.0");
  pos = 1;
  EXPECT_EQ(GccEncode().BufToData(dtBCD, buf, pos, 3).AsText(), "410000");
  pos = 1;
  EXPECT_EQ(GccEncode().BufToData(dtGreecAsc, buf, pos, 3).AsText(), "A");
  pos = 1;
  EXPECT_EQ(GccEncode().BufToData(dtASC, buf, pos, 3).AsText(), std::string("A\0\0", 3));
  // 41 followed by seven zero bytes.
  for (const bool arr : {false, true}) {
    pos = 1;
    double value = -1;
    const FieldValue got = arr ? GccEncode().BufToDataArr(dtDOUBLE, buf, pos, 8)
                               : GccEncode().BufToData(dtDOUBLE, buf, pos, 8);
    ASSERT_TRUE(got.TryAsDouble(value));
    EXPECT_EQ(value, 131072);
  }
  const TBytes empty;
  pos = 0;
  EXPECT_EQ(GccEncode().BufToDataArr(dtBCDE, empty, pos, 7).AsText(), "");
  EXPECT_EQ(pos, 7);
}

// Every type at every position and length around a small buffer: only the
// field's own bytes (eight for a double) may change, and nothing else.
TEST(CodecBounds, EveryTypeStaysInsideItsField) {
  const FieldValue values[] = {FieldValue(-12.5), FieldValue("0012"), FieldValue("\u0391B"),
                               FieldValue(EncodeDateTime(2024, 3, 15, 13, 45, 9))};
  for (int type = dtBCD; type <= dtGreecAsc + 1; ++type) {
    const auto sType = static_cast<TDCDataType>(type);
    for (int start = -10; start <= 10; ++start) {
      for (int len = 0; len <= 12; ++len) {
        for (const FieldValue& value : values) {
          SCOPED_TRACE(testing::Message() << type << " at " << start << " len " << len);
          const int reach = sType == dtDOUBLE ? std::max(len, 8) : len;
          TBytes buf(4, 0xEE);
          int pos = start;
          try {
            GccEncode().DataToBuf(sType, value, buf, pos, len);
          } catch (const std::invalid_argument&) {
            pos += len;  // only dates of values that are no date
          }
          ASSERT_EQ(buf.size(), 4u);
          ASSERT_EQ(pos, start + len);
          for (int i = 0; i < 4; ++i) {
            if (i < start || i >= start + reach) {
              EXPECT_EQ(buf[static_cast<std::size_t>(i)], 0xEE) << i;
            }
          }
          pos = start;
          GccEncode().BufToData(sType, buf, pos, len);
          pos = start;
          GccEncode().BufToDataArr(sType, buf, pos, len);
          ASSERT_EQ(pos, start + len);
        }
      }
    }
  }
}

}  // namespace
}  // namespace danvore
