#include "link/protocol.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "core/errors.h"
#include "link/econnect.h"
#include "support/register_frame.h"

namespace danvore {
namespace {

TBytes Text(const std::string& text) {
  return TBytes(text.begin(), text.end());
}

struct ReplyFields {
  std::uint16_t code = 0xE000;
  std::uint32_t packNum = 0;
  std::uint32_t ecrId = 123456;
  TBytes payload;
  std::uint8_t reserved = 0;
};

// A register reply; the reserved header byte, which the check must ignore,
// can be set and the header checksum follows it.
TBytes MakeReply(const ReplyFields& fields) {
  TBytes frame = test::Frame(fields.code, fields.packNum, fields.payload, fields.ecrId);
  frame[15] = static_cast<std::uint8_t>(frame[15] - frame[14] + fields.reserved);
  frame[14] = fields.reserved;
  return frame;
}

class ProtocolTest : public ::testing::Test {
 protected:
  void SetUp() override { BuildCommandTable(table); }

  // What the link does before each exchange.
  void Expect(std::uint32_t code, std::uint32_t packNum) {
    protocol.bCommand = code;
    protocol.PackNum = packNum;
  }

  TEcrCommands table;
  TProtocol protocol{&table};
  TBytes payload;
};

TEST(Crc16XmodemTest, MatchesCheckValueAndReference) {
  struct Case {
    TBytes data;
    std::uint16_t crc;
  };
  const Case cases[] = {
      {Text("123456789"), 0x31C3},
      {{}, 0x0000},
      {Text("A"), 0x58E5},
      {{0x04}, 0x4084},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Crc16Xmodem(c.data.data(), c.data.size()), c.crc);
  }
  TBytes data;
  for (int i = 0; i < 600; ++i) {
    data.push_back(static_cast<std::uint8_t>(i * 37 + 11));
    ASSERT_EQ(Crc16Xmodem(data.data(), data.size()), test::Crc(data)) << i;
  }
}

TEST(BytesToHexTest, TwoUpperCaseDigitsAndASpacePerByte) {
  struct Case {
    TBytes data;
    std::string hex;
  };
  const Case cases[] = {
      {{}, ""},
      {{0x00}, "00 "},
      {{0xAB, 0x0F, 0xF0, 0x7e}, "AB 0F F0 7E "},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BytesToHex(c.data), c.hex);
    EXPECT_EQ(BytesToHex(c.data.data(), c.data.size()), c.hex);
  }
}

TEST(EcrIdValueTest, DecimalTextToLow32Bits) {
  struct Case {
    std::string text;
    std::uint32_t value;
  };
  const Case cases[] = {
      {"123456", 123456},
      {"1", 1},
      {"0", 0},
      {"4294967295", 0xFFFFFFFF},
      {"4294967297", 1},  // 2^32 + 1: only the low 32 bits go on the wire
      {"-1", 0xFFFFFFFF},
      {"", 0},
      {"abc", 0},
      {"12x", 0},
      {" 12", 0},
      {"0x10", 0},
      {"99999999999999999999", 0},  // beyond 64 bits
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(EcrIdValue(c.text), c.value);
  }
}

TEST_F(ProtocolTest, PackBufferBuildsKnownFrames) {
  struct Case {
    std::uint32_t code;
    std::uint32_t packNum;
    std::string ecrId;
    TBytes source;
    int len;
    TBytes frame;
    std::string dump;
  };
  const Case cases[] = {
      {0xE000,
       0,
       "123456",
       {},
       0,
       {0xAA, 0x03, 0xE0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0xE2, 0x40, 0x00, 0x00, 0x00,
        0xB0},
       "AA 03 E0 00 00 00 00 00 00 01 E2 40 00 00 00 B0 "},
      {0xA001,
       0,
       "1",
       {0x04, 0x00},
       1,
       {0xAA, 0x03, 0xA0, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00,
        0x50, 0x04, 0x40, 0x84},
       "AA 03 A0 01 00 00 00 00 00 00 00 01 00 01 00 50 04 40 84 "},
      {0x1E0C2,
       0x01020304,
       "-1",
       {},
       -5,
       {0xAA, 0x03, 0xE0, 0xC2, 0x01, 0x02, 0x03, 0x04, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00,
        0x55},
       "AA 03 E0 C2 01 02 03 04 FF FF FF FF 00 00 00 55 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dump);
    protocol.hCmd.Command = c.code;
    protocol.PackNum = c.packNum;
    protocol.EcrID = c.ecrId;
    protocol.ErrCode = 7;
    TBytes frame(40, 0xEE);  // stale content must not survive
    EXPECT_EQ(protocol.PackBuffer(c.source, c.len, frame), static_cast<int>(c.frame.size()));
    EXPECT_EQ(frame, c.frame);
    EXPECT_EQ(protocol.ErrCode, 0);
    EXPECT_EQ(protocol.Logstring, "Send:" + c.dump);
    EXPECT_EQ(protocol.Logstring.size(), 5 + 3 * c.frame.size());
  }
}

TEST_F(ProtocolTest, PackBufferSizesFollowTheLength) {
  const TBytes source(70000, 0x5A);
  struct Case {
    int len;
    int size;
  };
  const Case cases[] = {{0, 16}, {-1, 16}, {1, 19}, {2, 20}, {255, 273}, {65535, 65553}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.len);
    TBytes frame;
    ASSERT_EQ(protocol.PackBuffer(source, c.len, frame), c.size);
    ASSERT_EQ(frame.size(), static_cast<std::size_t>(c.size));
    const int lengthField = (frame[12] << 8) | frame[13];
    EXPECT_EQ(lengthField, c.len > 0 ? c.len : 0);
  }
}

TEST_F(ProtocolTest, PackBufferRejectsLengthsItCannotFrame) {
  const TBytes small(3, 0x01);
  const TBytes huge(65536, 0x01);
  TBytes frame{1, 2, 3};
  EXPECT_THROW(protocol.PackBuffer(small, 4, frame), std::length_error);
  EXPECT_THROW(protocol.PackBuffer(huge, 65536, frame), std::length_error);
}

TEST_F(ProtocolTest, FramesRoundTripThroughTheCheck) {
  const std::size_t sizes[] = {0, 1, 2, 17, 256, 65535};
  for (std::size_t size : sizes) {
    SCOPED_TRACE(size);
    TBytes source(size);
    for (std::size_t i = 0; i < size; ++i)
      source[i] = static_cast<std::uint8_t>(i % 2 ? 0x03 : 0xAA);
    protocol.hCmd.Command = 0xE0C6;
    protocol.EcrID = "123456";
    Expect(0xE0C6, 42);
    TBytes frame;
    protocol.PackBuffer(source, static_cast<int>(size), frame);
    ASSERT_EQ(protocol.CheckData(frame, payload), ccOK);
    EXPECT_EQ(payload, source);
    EXPECT_EQ(protocol.EcrID, "123456");
  }
}

TEST_F(ProtocolTest, CompleteReplyIsAcceptedAndRecorded) {
  const TBytes reply = MakeReply({});
  Expect(0xE000, 0);
  protocol.EcrID = "1";
  EXPECT_EQ(protocol.CheckData(reply, payload), ccOK);
  EXPECT_TRUE(payload.empty());
  EXPECT_EQ(protocol.EcrID, "123456");
  EXPECT_EQ(protocol.Command, 0xE000u);
  EXPECT_EQ(protocol.Status, csUpload);
  EXPECT_EQ(protocol.Logstring, "Receive:AA 03 E0 00 00 00 00 00 00 01 E2 40 00 00 00 B0 ");
}

// Every prefix of a reply, counted from the first gathered byte, has to wait
// for more data; only the whole of it is accepted.
TEST_F(ProtocolTest, SplitRepliesWaitUntilComplete) {
  struct Case {
    const char* name;
    TBytes garbage;
    TBytes payload;
  };
  const Case cases[] = {
      {"no payload", {}, {}},
      {"payload", {}, Text("hello")},
      {"garbage in front", {0x00, 0xAA, 0x01, 0x03, 0xFF, 0xAA}, Text("xyz")},
      {"payload with start bytes", {0x03}, {0xAA, 0x03, 0xAA, 0x03}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReplyFields fields;
    fields.code = 0xE0FF;
    fields.packNum = 9;
    fields.payload = c.payload;
    const TBytes gathered = test::Concat(c.garbage, MakeReply(fields));
    Expect(0xE0FF, 9);
    for (std::size_t cut = 0; cut < gathered.size(); ++cut) {
      ASSERT_EQ(protocol.CheckData(gathered.data(), cut, payload), ccEDataLen) << cut;
      EXPECT_EQ(protocol.Status, csOnline);
      EXPECT_EQ(protocol.Logstring.size(), 8 + 3 * cut);
    }
    ASSERT_EQ(protocol.CheckData(gathered, payload), ccOK);
    EXPECT_EQ(payload, c.payload);
    EXPECT_EQ(protocol.Logstring, "Receive:" + BytesToHex(gathered));
  }
}

TEST_F(ProtocolTest, EmptyStreamWaitsWithoutTouchingTheLog) {
  protocol.Logstring = "Send:AA ";
  protocol.Status = csUpload;
  EXPECT_EQ(protocol.CheckData(TBytes{}, payload), ccEDataLen);
  EXPECT_EQ(protocol.Logstring, "Send:AA ");

  EXPECT_EQ(protocol.CheckData(nullptr, 0, payload), ccEDataLen);
  EXPECT_EQ(protocol.Logstring, "Receive:");
  EXPECT_EQ(protocol.Status, csOnline);
}

TEST_F(ProtocolTest, StalePacketNumberKeepsThePreviousReply) {
  Expect(0xE000, 0);
  ASSERT_EQ(protocol.CheckData(MakeReply({}), payload), ccOK);
  ASSERT_EQ(protocol.Status, csUpload);

  ReplyFields stale;
  stale.code = 0xE001;
  stale.packNum = 5;
  stale.ecrId = 99;
  stale.payload = Text("old");
  Expect(0xE001, 6);
  EXPECT_EQ(protocol.CheckData(MakeReply(stale), payload), ccEProtocol);
  EXPECT_EQ(protocol.EcrID, "123456");
  EXPECT_EQ(protocol.Command, 0xE000u);
  EXPECT_EQ(protocol.Status, csOnline);
  EXPECT_EQ(payload.size(), 3u);  // sized to the frame, content not meaningful
}

TEST_F(ProtocolTest, ErrorReplyPassesOnlyWhenIntact) {
  ReplyFields fields;
  fields.code = 0x800D;
  fields.packNum = 3;
  fields.payload = Text(
      "\xFE"
      "FAULT");
  const TBytes intact = MakeReply(fields);
  Expect(0xE0C2, 3);
  ASSERT_EQ(protocol.CheckData(intact, payload), ccEEcr);
  EXPECT_EQ(payload, fields.payload);
  EXPECT_EQ(protocol.Command, 0x800Du);
  EXPECT_EQ(protocol.Status, csError);

  struct Case {
    const char* name;
    std::size_t offset;
  };
  const Case damaged[] = {
      {"payload byte", 18},
      {"CRC high byte", 22},
      {"CRC low byte", 23},
      {"header checksum", 15},
  };
  for (const Case& c : damaged) {
    SCOPED_TRACE(c.name);
    TBytes frame = intact;
    frame[c.offset] ^= 0x01;
    EXPECT_EQ(protocol.CheckData(frame, payload), ccEProtocol);
  }
}

// One valid reply, changed in one way per case.
TEST_F(ProtocolTest, DamagedOrForeignRepliesAreRejected) {
  struct Case {
    const char* name;
    std::function<void(ReplyFields&)> editFields;
    std::function<void(TBytes&)> editFrame;
    TCheckCode expected;
  };
  const auto none = [](auto&) {};
  const Case cases[] = {
      {"intact", none, none, ccOK},
      {"reserved byte covered by checksum", [](ReplyFields& s) { s.reserved = 0x5A; }, none, ccOK},
      {"reserved byte not covered", none, [](TBytes& f) { f[14] = 0x5A; }, ccEProtocol},
      {"header checksum", none, [](TBytes& f) { f[15] += 1; }, ccEProtocol},
      {"other code", [](ReplyFields& s) { s.code = 0xE001; }, none, ccEProtocol},
      {"payload byte", none, [](TBytes& f) { f[17] ^= 0x80; }, ccEProtocol},
      {"CRC byte", none, [](TBytes& f) { f.back() ^= 0x01; }, ccEProtocol},
      {"trailing bytes ignored", none, [](TBytes& f) { f.push_back(0x00); }, ccOK},
      {"start bytes of a second frame after", none,
       [](TBytes& f) {
         f.insert(f.end(), {0xAA, 0x03});
       },
       ccOK},
  };
  Expect(0xE0C6, 77);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReplyFields fields;
    fields.code = 0xE0C6;
    fields.packNum = 77;
    fields.payload = Text("data");
    c.editFields(fields);
    TBytes frame = MakeReply(fields);
    c.editFrame(frame);
    EXPECT_EQ(protocol.CheckData(frame, payload), c.expected);
    if (c.expected == ccOK) {
      EXPECT_EQ(payload, Text("data"));
    }
  }
}

// Only the first start pair counts: a rejected frame hides the one after it,
// and a false start inside the gathered bytes is judged as a frame.
TEST_F(ProtocolTest, OnlyTheFirstStartPairIsJudged) {
  ReplyFields stale;
  stale.packNum = 1;
  const TBytes good = MakeReply({});
  Expect(0xE000, 0);
  EXPECT_EQ(protocol.CheckData(test::Concat(MakeReply(stale), good), payload), ccEProtocol);

  const TBytes falseStart{0x10, 0xAA, 0x03, 0x00, 0x00};
  EXPECT_EQ(protocol.CheckData(test::Concat(falseStart, good), payload), ccEProtocol);
}

TEST_F(ProtocolTest, StatusComesFromTheRowOfTheReplyCode) {
  struct Case {
    std::uint16_t code;
    TCommandStatus status;
    TCheckCode result;
  };
  const Case cases[] = {
      {0xE000, csUpload, ccOK}, {0xE003, csDownload, ccOK}, {0xE088, csOnline, ccOK},
      {0x1234, csOnline, ccOK}, {0x800D, csError, ccEEcr},  {0xE0C2, csDownload, ccEProtocol},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    ReplyFields fields;
    fields.code = c.code;
    // The last case answers a different request: the row still sets Status.
    Expect(c.result == ccEProtocol ? 0xE000u : c.code, 0);
    protocol.Status = csNone;
    EXPECT_EQ(protocol.CheckData(MakeReply(fields), payload), c.result);
    EXPECT_EQ(protocol.Status, c.status);
  }
}

TEST_F(ProtocolTest, ChecksOnlyTheGivenLength) {
  ReplyFields fields;
  fields.payload = Text("abc");
  const TBytes reply = MakeReply(fields);
  Expect(0xE000, 0);
  EXPECT_EQ(protocol.CheckData(reply.data(), reply.size() - 1, payload), ccEDataLen);
  EXPECT_EQ(protocol.Logstring, "Receive:" + BytesToHex(reply.data(), reply.size() - 1));
  TBytes stale(100, 0xEE);
  payload = stale;
  EXPECT_EQ(protocol.CheckData(reply.data(), reply.size(), payload), ccOK);
  EXPECT_EQ(payload, Text("abc"));
}

TEST(RejectedFrameEndTest, DropsTheFrameOrOnlyAFalseStart) {
  const TBytes withPayload = MakeReply({.payload = {1, 2, 3}});
  const TBytes bare = MakeReply({});
  TBytes badSum = bare;
  badSum[15] ^= 0xFF;
  struct TCase {
    const char* Name;
    TBytes Gathered;
    std::size_t End;
  };
  const TCase cases[] = {
      {"nothing", {}, 0},
      {"no start pair", {0x01, 0xAA, 0x02, 0xAA}, 4},
      {"frame with payload and CRC", test::Concat(withPayload, bare), withPayload.size()},
      {"frame without payload", test::Concat({0x07, 0x07}, test::Concat(bare, bare)),
       2 + bare.size()},
      {"bad header checksum: a false start", test::Concat({0x07}, badSum), 1 + 2},
      {"header not complete yet", TBytes(bare.begin(), bare.begin() + 10), 2},
      {"payload longer than the bytes", TBytes(withPayload.begin(), withPayload.end() - 1),
       withPayload.size() - 1},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(RejectedFrameEnd(c.Gathered), c.End) << c.Name;
}

TEST(ProtocolWithoutTableTest, StatusStaysOnline) {
  TProtocol protocol(nullptr);
  protocol.bCommand = 0xE000;
  TBytes payload;
  EXPECT_EQ(protocol.CheckData(MakeReply({}), payload), ccOK);
  EXPECT_EQ(protocol.Status, csOnline);
}

// Without a message, a transport failure reads as "device not connected".
TEST(EConnectTest, CarriesTheGivenOrTheDeviceNotConnectedText) {
  EXPECT_EQ(std::string(EConnect().what()), SysErrorMessage(ERROR_DEVICE_NOT_CONNECTED_CODE));
  EXPECT_FALSE(std::string(EConnect().what()).empty());
  EXPECT_EQ(std::string(EConnect("User Canceled").what()), "User Canceled");
}

}  // namespace
}  // namespace danvore
