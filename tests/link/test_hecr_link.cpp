// The register link against a scripted transport and a fake clock: attempts,
// waits, replies, error replies, connection failures and logging.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/errors.h"
#include "encoding/codec.h"
#include "link/hecr_link.h"
#include "link/hid_transport.h"
#include "link/link_test_support.h"
#include "link/serial_transport.h"
#include "link/tcp_transport.h"
#include "link/transport_factory.h"

namespace danvore {
namespace {

using test::Concat;
using test::Frame;
using test::FramePackNum;
using test::FramePayload;
using test::TReadStep;

constexpr std::int32_t kStatusId = 20000;  // code 0xE000
constexpr std::uint16_t kStatusCode = 0xE000;
constexpr std::uint16_t kErrorCode = 0x800D;

std::string Hex(const TBytes& bytes) {
  std::string text;
  char cell[4];
  for (const std::uint8_t byte : bytes) {
    std::snprintf(cell, sizeof(cell), "%02X ", byte);
    text += cell;
  }
  return text;
}

std::string RetryLine(const std::string& text, int attempt) {
  return "Send Data Error, " + text + ", Retry:" + std::to_string(attempt);
}

class HecrLinkTest : public ::testing::Test {
 protected:
  HecrLinkTest() {
    link.SetTransportFactory([this](const TConnParams& params) {
      return std::make_unique<test::TFakeTransport>(wire, params);
    });
    link.SetClock([this] { return wire.Clock(); });
    link.ConnParams = TConnParams{cmTCPClient, "127.0.0.1", 9100};
  }

  // The register answers every request with `payload` in a single read.
  void AnswerWith(const TBytes& payload) {
    wire.Responder = [payload](const TBytes& frame, const TConnParams&) {
      return std::vector<TReadStep>{{Frame(test::FrameCode(frame), FramePackNum(frame), payload)}};
    };
  }

  TResult Send(TBytes& buffer, int waitTimeOut, int retryCount, std::uint32_t packNum = 0) {
    return link.SendBuffer(kStatusId, buffer, packNum, static_cast<int>(buffer.size()), waitTimeOut,
                           retryCount, "123456");
  }

  test::TAppRunning running;
  test::TFakeWire wire;
  THecrLink link;
  test::TLogCapture log;
};

TEST_F(HecrLinkTest, IdNotInTableSendsNothingAndOpensNothing) {
  TBytes buffer{1, 2};
  const TResult result = link.SendBuffer(99, buffer, 0, 2, 500, 3, "123456");
  EXPECT_EQ(result.Code, rcInvalidCommand);
  EXPECT_EQ(result.Msg, SysErrorMessage(ERROR_BAD_COMMAND_CODE));
  EXPECT_EQ(result.ExParams, 0);
  EXPECT_TRUE(wire.Written.empty());
  EXPECT_TRUE(wire.Opened.empty());
  EXPECT_FALSE(link.Active());
}

TEST_F(HecrLinkTest, AttemptsFollowRetryCountWhenTheRegisterIsSilent) {
  struct Case {
    int RetryCount;
    std::size_t Writes;
  };
  for (const Case c : {Case{-1, 0}, Case{0, 1}, Case{1, 2}, Case{3, 4}}) {
    SCOPED_TRACE(c.RetryCount);
    wire.Written.clear();
    log.Clear();
    TBytes buffer{7};
    const TResult result = Send(buffer, 500, c.RetryCount);
    EXPECT_EQ(result.Code, rcTimeOut);
    EXPECT_EQ(result.Msg, SysErrorMessage(ERROR_TIMEOUT_CODE));
    EXPECT_EQ(wire.Written.size(), c.Writes);
    EXPECT_EQ(log.Starting("Send:").size(), c.Writes);
    std::vector<std::string> expected;
    for (std::size_t n = 0; n < c.Writes; ++n) {
      expected.push_back(RetryLine(SysErrorMessage(ERROR_TIMEOUT_CODE), static_cast<int>(n)));
    }
    EXPECT_EQ(log.Starting("Send Data"), expected);
  }
}

TEST_F(HecrLinkTest, EveryAttemptWritesTheSameFrameWithTheGivenPacketNumber) {
  TBytes buffer{0x11, 0x22, 0x33};
  link.SendBuffer(kStatusId, buffer, 7, 2, 500, 2, "123456");
  ASSERT_EQ(wire.Written.size(), 3u);
  EXPECT_EQ(wire.Written[1], wire.Written[0]);
  EXPECT_EQ(wire.Written[2], wire.Written[0]);
  EXPECT_EQ(FramePackNum(wire.Written[0]), 7u);
  EXPECT_EQ(FramePayload(wire.Written[0]), (TBytes{0x11, 0x22}));
  const auto sends = log.Starting("Send:");
  ASSERT_FALSE(sends.empty());
  EXPECT_EQ(sends[0], "Send:" + Hex(wire.Written[0]));
}

TEST_F(HecrLinkTest, LengthBeyondTheBufferFramesOnlyWhatTheBufferHolds) {
  TBytes buffer{0x42};
  link.SendBuffer(kStatusId, buffer, 0, 5, 500, 0, "123456");
  ASSERT_EQ(wire.Written.size(), 1u);
  EXPECT_EQ(FramePayload(wire.Written[0]), (TBytes{0x42}));
}

TEST_F(HecrLinkTest, PayloadTooLongForAFrameFailsWithoutSending) {
  TBytes buffer(70000, 0x41);
  const TResult result = Send(buffer, 500, 2);
  EXPECT_EQ(result.Code, rcError);
  EXPECT_EQ(result.Msg, "payload length out of range");
  EXPECT_TRUE(wire.Written.empty());
}

TEST_F(HecrLinkTest, ReplyPayloadComesBackAndIsLogged) {
  const TBytes payload{0x01, 0x02, 0x03};
  AnswerWith(payload);
  TBytes buffer{9, 9};
  const TResult result = Send(buffer, 500, 0, 5);
  EXPECT_EQ(result.Code, rcSuccess);
  EXPECT_EQ(result.Msg, "");
  EXPECT_EQ(result.ExParams, 0);
  EXPECT_EQ(buffer, payload);
  EXPECT_EQ(log.Starting("Receive:"),
            std::vector<std::string>{"Receive:" + Hex(Frame(kStatusCode, 5, payload))});
  EXPECT_TRUE(link.Active());
}

TEST_F(HecrLinkTest, ReplyWithoutPayloadEmptiesTheBuffer) {
  AnswerWith({});
  TBytes buffer{1, 2, 3};
  EXPECT_EQ(Send(buffer, 500, 0).Code, rcSuccess);
  EXPECT_TRUE(buffer.empty());
}

TEST_F(HecrLinkTest, StaleReplyIsDiscardedAndTheRightOneAccepted) {
  const TBytes stale = Frame(kStatusCode, 41, {0xAA});
  const TBytes good = Frame(kStatusCode, 42, {0x55});
  struct Case {
    const char* Name;
    std::vector<TReadStep> Reads;
  };
  const Case cases[] = {
      {"separate reads", {{stale}, {good}}},
      // Both in one read: the reply behind the rejected frame is not lost.
      {"one read", {{Concat(stale, good)}}},
      {"garbage before the stale reply", {{Concat(TBytes{1, 2, 3}, stale)}, {good}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    wire.Written.clear();
    wire.Responder = [&c](const TBytes&, const TConnParams&) { return c.Reads; };
    TBytes buffer{0};
    const TResult result = Send(buffer, 500, 0, 42);
    EXPECT_EQ(result.Code, rcSuccess);
    EXPECT_EQ(buffer, (TBytes{0x55}));
    EXPECT_EQ(wire.Written.size(), 1u);
  }
}

TEST_F(HecrLinkTest, ReplyToAnotherCommandIsNotAccepted) {
  wire.Responder = [](const TBytes& frame, const TConnParams&) {
    return std::vector<TReadStep>{{Frame(0xE001, FramePackNum(frame), {1})}};
  };
  TBytes buffer;
  EXPECT_EQ(Send(buffer, 500, 0).Code, rcTimeOut);
}

TEST_F(HecrLinkTest, WaitClockRestartsOnIncompleteAndRejectedData) {
  const TBytes good = Frame(kStatusCode, 0, {0x10, 0x20});
  std::vector<TReadStep> byteByByte;
  for (const std::uint8_t byte : good)
    byteByByte.push_back({TBytes{byte}, 300});
  struct Case {
    const char* Name;
    std::vector<TReadStep> Reads;
    TRetCode Expected;
  };
  const Case cases[] = {
      {"reply trickles in slower than the wait", byteByByte, rcSuccess},
      {"garbage then reply", {{TBytes{1, 2, 3}, 450}, {good, 300}}, rcSuccess},
      {"stale reply then reply", {{Frame(kStatusCode, 9), 450}, {good, 300}}, rcSuccess},
      {"a read under way finishes", {{good, 600}}, rcSuccess},
      {"silence within the wait", {{TBytes{}, 400}, {good, 200}}, rcSuccess},
      {"silence beyond the wait", {{TBytes{}, 400}, {TBytes{}, 200}, {good, 10}}, rcTimeOut},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    wire.Reads.clear();
    wire.Responder = [&c](const TBytes&, const TConnParams&) { return c.Reads; };
    TBytes buffer;
    EXPECT_EQ(Send(buffer, 500, 0).Code, c.Expected);
  }
}

TEST_F(HecrLinkTest, BabblingPeerCannotGrowTheGatheredBytesWithoutBound) {
  const TBytes noise(128 * 1024, 0x00);
  std::vector<TReadStep> reads(10, TReadStep{noise});
  reads.push_back({Frame(kStatusCode, 0, {0x77})});
  wire.Responder = [&reads](const TBytes&, const TConnParams&) { return reads; };
  TBytes buffer;
  EXPECT_EQ(Send(buffer, 500, 0).Code, rcSuccess);
  std::size_t longest = 0;
  for (const std::string& line : log.Starting("Receive:"))
    longest = std::max(longest, line.size());
  EXPECT_LE(longest, std::string("Receive:").size() + 3 * 1024 * 1024);
  EXPECT_EQ(buffer, (TBytes{0x77}));
}

TEST_F(HecrLinkTest, ErrorReplyCarriesTheRegisterTextAndNumber) {
  const TccEncode& codec = GccEncode();
  struct Case {
    const char* Name;
    TBytes Payload;
    std::string Msg;
    std::int32_t Number;
  };
  const Case cases[] = {
      {"0xFE prefix", Concat(TBytes{0xFE}, codec.GreekBytes("Paper out")), "Paper out", 254},
      {"marker line", codec.GreekBytes("ΛAΘOΣ 27"), "ΛAΘOΣ 27", 27},
      {"marker on the second line", codec.GreekBytes("Fiscal\r\nΛAΘOΣ 5"), "Fiscal\r\nΛAΘOΣ 5", 5},
      {"no marker", codec.GreekBytes("Unknown"), "Unknown", 13},
      {"empty text", TBytes{}, "", 13},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    wire.Responder = [&c](const TBytes& frame, const TConnParams&) {
      return std::vector<TReadStep>{{Frame(kErrorCode, FramePackNum(frame), c.Payload)}};
    };
    TBytes buffer{1};
    const TResult result = Send(buffer, 500, 3);
    EXPECT_EQ(result.Code, rcEVastel);
    EXPECT_EQ(result.Msg, c.Msg);
    EXPECT_EQ(result.ExParams, c.Number);
    EXPECT_EQ(buffer, c.Payload);
  }
  EXPECT_EQ(wire.Written.size(), std::size(cases));
}

TEST(ParseErrorNumberTest, FindsTheNumberOnTheFirstMarkerLine) {
  struct Case {
    std::string Text;
    int Expected;
  };
  const Case cases[] = {
      {"ΛAΘOΣ 27", 27},
      {"  ΛAΘOΣ\t12  ", 12},
      {"first\r\nΛAΘOΣ 5\r\nΛAΘOΣ 6", 5},
      {"first\nΛAΘOΣ 8", 8},
      {"first\rΛAΘOΣ 9", 9},
      {"ΛAΘOΣ x\nΛAΘOΣ 7", 7},
      {"ΛAΘOΣ -1\nΛAΘOΣ 3", 3},
      {"ΛAΘOΣ 4λaθoσ", 4},  // every occurrence goes, whatever its case
      {"ΛAΘOΣ ΛAΘOΣ 31", 31},
      {"λaθoσ 4", -1},  // the line must hold the marker as written
      {"Error 27", -1},
      {"ΛAΘOΣ", -1},
      {"ΛAΘOΣ 99999999999", -1},
      {"", -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseErrorNumber(c.Text), c.Expected) << c.Text;
  }
}

TEST_F(HecrLinkTest, ConnectionFailuresCloseTheLinkAndEndOnTheLastAttempt) {
  struct Case {
    const char* Name;
    std::string OpenFailure;
    std::string WriteFailure;
    std::vector<TReadStep> Reads;
    int RetryCount;
    TRetCode Expected;
    std::string Msg;
    bool ActiveAfter;
    std::size_t RetryLines;
  };
  const Case cases[] = {
      {"write fails", "", "line down", {}, 1, rcEConnect, "line down", false, 1},
      {"open fails", "no port", "", {}, 0, rcEConnect, "no port", false, 0},
      {"read fails once",
       "",
       "",
       {TReadStep::ConnectFailure("gone"), {Frame(kStatusCode, 0)}},
       1,
       rcSuccess,
       "",
       true,
       1},
      {"other failure",
       "",
       "",
       {TReadStep::Failure("bad state")},
       0,
       rcError,
       "bad state",
       true,
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    log.Clear();
    wire.OpenFailure = c.OpenFailure;
    wire.WriteFailure = c.WriteFailure;
    wire.Reads.assign(c.Reads.begin(), c.Reads.end());
    TBytes buffer;
    const TResult result = Send(buffer, 500, c.RetryCount);
    EXPECT_EQ(result.Code, c.Expected);
    EXPECT_EQ(result.Msg, c.Msg);
    EXPECT_EQ(link.Active(), c.ActiveAfter);
    EXPECT_EQ(log.Starting("Send Data").size(), c.RetryLines);
    link.Close();
  }
}

TEST_F(HecrLinkTest, ConnectionFailureBeforeTheLastAttemptIsRetriedOnANewOpen) {
  wire.Reads.push_back(TReadStep::ConnectFailure("gone"));
  wire.Reads.push_back({Frame(kStatusCode, 0, {1})});
  TBytes buffer;
  EXPECT_EQ(Send(buffer, 500, 1).Code, rcSuccess);
  EXPECT_EQ(wire.Opened.size(), 2u);
  EXPECT_EQ(wire.Closes, 1);
  EXPECT_EQ(log.Starting("Send Data"), std::vector<std::string>{RetryLine("gone", 0)});
}

TEST_F(HecrLinkTest, PacketNumberIsZeroAfterEveryExchange) {
  struct Case {
    const char* Name;
    std::int32_t Id;
    std::vector<TReadStep> Reads;
    int RetryCount;
  };
  const Case cases[] = {
      {"answered", kStatusId, {{Frame(kStatusCode, 9)}}, 0},
      {"silent", kStatusId, {}, 0},
      {"no attempt", kStatusId, {}, -1},
      {"connection lost", kStatusId, {TReadStep::ConnectFailure("gone")}, 0},
      {"unknown id", 99, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    wire.Reads.assign(c.Reads.begin(), c.Reads.end());
    link.ResetPackNum(5);
    EXPECT_EQ(link.Protocol().PackNum, 5u);
    TBytes buffer;
    link.SendBuffer(c.Id, buffer, 9, 0, 500, c.RetryCount, "123456");
    EXPECT_EQ(link.Protocol().PackNum, 0u);
  }
}

TEST_F(HecrLinkTest, CloseLogsOnlyWhenOpen) {
  link.Close();
  EXPECT_TRUE(log.Lines().empty());
  link.Open();
  EXPECT_TRUE(link.Active());
  link.Close();
  std::vector<std::string> texts;
  for (const auto& line : log.Lines())
    texts.push_back(line.Text);
  EXPECT_EQ(texts, (std::vector<std::string>{"Close...", "Close OK"}));
  EXPECT_FALSE(link.Active());
  EXPECT_EQ(wire.Closes, 1);
}

TEST_F(HecrLinkTest, OpenTwiceOpensOnce) {
  link.Open();
  link.Open();
  EXPECT_EQ(wire.Opened.size(), 1u);
}

TEST(HecrLinkCloseTest, FailureWhileClosingIsLoggedAndTheLinkIsClosedAllTheSame) {
  test::TAppRunning running;
  test::TFakeWire wire;
  THecrLink link;
  link.SetTransportFactory([&wire](const TConnParams& params) {
    return std::make_unique<test::TFakeTransport>(wire, params);
  });
  link.Open();
  std::vector<test::TLogLine> lines;
  SetLogTap([&lines](TLogLevel level, const std::string& text) {
    lines.push_back({level, text});
    if (text == "Close OK") throw std::runtime_error("disk gone");
  });
  link.Close();
  SetLogTap(nullptr);
  EXPECT_FALSE(link.Active());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2].Level, llError);
  EXPECT_EQ(lines[2].Text, "Close Error,disk gone");
}

TEST(TransportFactoryTest, TheModeChoosesTheTransport) {
  const auto serial = MakeTransport({cmCOM, "COM1", 9600});
  EXPECT_NE(dynamic_cast<TSerialTransport*>(serial.get()), nullptr);
  const auto tcp = MakeTransport({cmTCPClient, "127.0.0.1", 1});
  EXPECT_NE(dynamic_cast<TTcpTransport*>(tcp.get()), nullptr);
  const auto hid = MakeTransport({cmHID, "22352", 1155});
  EXPECT_NE(dynamic_cast<THidTransport*>(hid.get()), nullptr);
  EXPECT_THROW(MakeTransport({static_cast<TConnMode>(7), "", 0}), EConnect);
}

TEST(HecrLinkModeTest, UnknownConnectionKindFailsWithAClearMessage) {
  test::TAppRunning running;
  THecrLink link;
  link.ConnParams = TConnParams{static_cast<TConnMode>(3), "COM1", 9600};
  try {
    link.Open();
    FAIL() << "Open succeeded";
  } catch (const EConnect& error) {
    EXPECT_NE(std::string(error.what()).find("Unknown connection kind 3"), std::string::npos);
  }
  EXPECT_FALSE(link.Active());
  TBytes buffer;
  const TResult result = link.SendBuffer(kStatusId, buffer, 0, 0, 500, 0, "1");
  EXPECT_EQ(result.Code, rcEConnect);
  EXPECT_NE(result.Msg.find("Unknown connection kind 3"), std::string::npos);
}

}  // namespace
}  // namespace danvore
