#include "ecr-sim/frame_codec.h"

#include <gtest/gtest.h>

#include "sim_test_support.h"

namespace danvore::sim {
namespace {

using namespace test;

TEST(FrameCodec, BuildsRepliesByteForByte) {
  const struct {
    const char* Name;
    std::uint16_t Code;
    std::uint32_t PackNum;
    std::uint32_t EcrId;
    TBytes Payload;
    TBytes Expected;
  } cases[] = {
      {"status reply, packet 0, ECR id 1", 0xE000, 0, 1, {0x00, 0x00}, {0xAA, 0x03, 0xE0, 0x00,
                                                                        0x00, 0x00, 0x00, 0x00,
                                                                        0x00, 0x00, 0x00, 0x01,
                                                                        0x00, 0x02, 0x00, 0x90,
                                                                        0x00, 0x00, 0x00, 0x00}},
      {"probe with one byte",
       0xA001,
       0,
       1,
       {0x04},
       {0xAA, 0x03, 0xA0, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00,
        0x50, 0x04, 0x40, 0x84}},
      {"no payload, no CRC",
       0xE000,
       0,
       123456,
       {},
       {0xAA, 0x03, 0xE0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0xE2, 0x40, 0x00, 0x00, 0x00,
        0xB0}},
      {"packet number and id are big-endian",
       0x800D,
       0x01020304,
       0x0A0B0C0D,
       {},
       {0xAA, 0x03, 0x80, 0x0D, 0x01, 0x02, 0x03, 0x04, 0x0A, 0x0B, 0x0C, 0x0D, 0x00, 0x00, 0x00,
        0x72}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(BuildFrame(c.Code, c.PackNum, c.EcrId, c.Payload), c.Expected);
  }
}

TEST(FrameCodec, TheBridgeAcceptsBuiltReplies) {
  const TBytes payload = {0x00, 0x10, 'O', 'K'};
  TBytes delivered;
  EXPECT_EQ(CheckReply(20000, 7, BuildFrame(0xE000, 7, 1, payload), delivered), ccOK);
  EXPECT_EQ(delivered, payload);
  EXPECT_EQ(CheckReply(20000, 7, BuildFrame(0x800D, 7, 1, ErrorText(14)), delivered), ccEEcr);
  EXPECT_EQ(CheckReply(20000, 8, BuildFrame(0xE000, 7, 1, payload), delivered), ccEProtocol);
}

TEST(FrameCodec, CommandIdsAndCodes) {
  EXPECT_EQ(CommandIdOf(0xE0C2), 10002);
  EXPECT_EQ(CommandIdOf(0xA001), 100);
  EXPECT_EQ(CommandIdOf(0x1234), 0);
  EXPECT_EQ(CommandCodeOf(30008), 0xE0FF);
  EXPECT_EQ(CommandCodeOf(99), 0);
}

TEST(RequestReader, TakesRequestsOutOfTheStream) {
  const TBytes sale = RequestFrame(10004, 3, SalePayload(150));
  const TBytes status = RequestFrame(20000, 0, {});
  TBytes damagedHeader = status;
  damagedHeader[15] ^= 0xFF;
  TBytes damagedPayload = sale;
  damagedPayload[20] ^= 0x01;
  const TBytes noise = {0x00, 0x13, 0xAA, 0x00, 0x03};
  const auto join = [](std::initializer_list<TBytes> parts) {
    TBytes all;
    for (const TBytes& part : parts)
      all.insert(all.end(), part.begin(), part.end());
    return all;
  };
  const struct {
    const char* Name;
    TBytes Stream;
    std::vector<std::uint16_t> Codes;
    std::size_t Dropped;
  } cases[] = {
      {"one request", sale, {0xE082}, 0},
      {"two requests in one chunk", join({status, sale}), {0xE000, 0xE082}, 0},
      {"noise before a request", join({noise, status}), {0xE000}, 0},
      {"bad header checksum is skipped", join({damagedHeader, sale}), {0xE082}, 1},
      {"bad payload CRC is dropped", join({damagedPayload, status}), {0xE000}, 1},
      {"an incomplete request waits", TBytes(sale.begin(), sale.end() - 1), {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TRequestReader reader;
    reader.Append(c.Stream);
    std::vector<std::uint16_t> codes;
    TSimFrame frame;
    while (reader.Next(frame))
      codes.push_back(frame.Code);
    EXPECT_EQ(codes, c.Codes);
    EXPECT_EQ(reader.Dropped(), c.Dropped);
  }
}

TEST(RequestReader, ReassemblesARequestSentByteByByte) {
  const TBytes payload = SalePayload(990, "ΨΩΜΙ");
  const TBytes frame = RequestFrame(10004, 42, payload);
  TRequestReader reader;
  TSimFrame request;
  for (std::size_t i = 0; i + 1 < frame.size(); ++i) {
    reader.Append(TBytes{frame[i]});
    ASSERT_FALSE(reader.Next(request)) << "complete after " << i + 1 << " bytes";
  }
  EXPECT_TRUE(reader.HasPartial());
  reader.Append(TBytes{frame.back()});
  ASSERT_TRUE(reader.Next(request));
  EXPECT_EQ(request.Id, 10004);
  EXPECT_EQ(request.Code, 0xE082);
  EXPECT_EQ(request.PackNum, 42u);
  EXPECT_EQ(request.EcrId, 123456u);
  EXPECT_EQ(request.Payload, payload);
  EXPECT_FALSE(reader.HasPartial());
}

TEST(RequestReader, KeepsALoneStartByteAtTheEnd) {
  const TBytes frame = RequestFrame(20000, 0, {});
  TRequestReader reader;
  reader.Append(TBytes{0x11, 0x22, frame[0]});
  TSimFrame request;
  EXPECT_FALSE(reader.Next(request));
  reader.Append(TBytes(frame.begin() + 1, frame.end()));
  ASSERT_TRUE(reader.Next(request));
  EXPECT_EQ(request.Code, 0xE000);
}

}  // namespace
}  // namespace danvore::sim
