// The serial baud-rate scan and the register's properties request, against a
// scripted transport.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "encoding/codec.h"
#include "link/hecr_link.h"
#include "link/link_test_support.h"

namespace danvore {
namespace {

using test::Frame;
using test::FrameCode;
using test::FramePackNum;
using test::FramePayload;
using test::TReadStep;

constexpr std::uint16_t kProbeCode = 0xA001;
constexpr std::uint16_t kPropertiesCode = 0xE0FF;

class LinkConnectTest : public ::testing::Test {
 protected:
  LinkConnectTest() {
    link.SetTransportFactory([this](const TConnParams& params) {
      return std::make_unique<test::TFakeTransport>(wire, params);
    });
    link.SetClock([this] { return wire.Clock(); });
  }

  // A serial register that answers probes only at `rate`.
  void AnswerProbesAt(std::int32_t rate) {
    wire.Responder = [rate](const TBytes& frame, const TConnParams& params) {
      std::vector<TReadStep> reply;
      if (FrameCode(frame) == kProbeCode && params.Port == rate) {
        reply.push_back({Frame(kProbeCode, FramePackNum(frame))});
      }
      return reply;
    };
  }

  std::vector<std::int32_t> OpenedRates() const {
    std::vector<std::int32_t> rates;
    for (const TConnParams& params : wire.Opened)
      rates.push_back(params.Port);
    return rates;
  }

  test::TAppRunning running;
  test::TFakeWire wire;
  THecrLink link;
};

TEST(BaudRateCodeTest, TableAndFallBack) {
  struct Case {
    std::int32_t Rate;
    std::uint8_t Code;
  };
  for (const Case c : {Case{9600, 0}, Case{115200, 4}, Case{19200, 1}, Case{38400, 2},
                       Case{57600, 3}, Case{230400, 5}, Case{4800, 1}, Case{0, 1}}) {
    EXPECT_EQ(BaudRateCode(c.Rate), c.Code) << c.Rate;
  }
  const std::int32_t order[] = {9600, 115200, 19200, 38400, 57600, 230400};
  for (std::size_t i = 0; i < std::size(order); ++i)
    EXPECT_EQ(BaudRateCodes[i].Rate, order[i]);
}

TEST_F(LinkConnectTest, ScanFindsTheRateAndLeavesThePortOpenAtTheConfiguredOne) {
  struct Case {
    std::int32_t Configured;
    std::uint8_t Code;
  };
  for (const Case c : {Case{38400, 2}, Case{4800, 1}, Case{230400, 5}}) {
    SCOPED_TRACE(c.Configured);
    THecrLink fresh;
    fresh.SetTransportFactory([this](const TConnParams& params) {
      return std::make_unique<test::TFakeTransport>(wire, params);
    });
    fresh.SetClock([this] { return wire.Clock(); });
    wire.Written.clear();
    wire.Opened.clear();
    AnswerProbesAt(115200);
    fresh.ConnParams = TConnParams{cmCOM, "/dev/ttyFAKE", c.Configured};

    EXPECT_TRUE(fresh.Connect(100, "1"));
    // 9600: two silent attempts; 115200: answered at once.
    ASSERT_EQ(wire.Written.size(), 3u);
    for (const TBytes& frame : wire.Written) {
      EXPECT_EQ(FrameCode(frame), kProbeCode);
      EXPECT_EQ(FramePayload(frame), TBytes{c.Code});
    }
    EXPECT_EQ(OpenedRates(), (std::vector<std::int32_t>{9600, 115200, c.Configured}));
    EXPECT_TRUE(fresh.Active());
    EXPECT_EQ(fresh.ConnParams.Port, c.Configured);

    EXPECT_TRUE(fresh.Connect(100, "1"));
    EXPECT_EQ(wire.Written.size(), 3u);
    EXPECT_EQ(wire.Opened.size(), 3u);
  }
}

TEST_F(LinkConnectTest, NoRateAnswersAndTheSettingIsRestored) {
  link.ConnParams = TConnParams{cmCOM, "/dev/ttyFAKE", 19200};
  AnswerProbesAt(0);
  EXPECT_FALSE(link.Connect(100, "1"));
  EXPECT_EQ(wire.Written.size(), 12u);
  EXPECT_EQ(link.ConnParams.Port, 19200);
}

TEST_F(LinkConnectTest, AnErrorReplyToAProbeIsNoAnswer) {
  link.ConnParams = TConnParams{cmCOM, "/dev/ttyFAKE", 9600};
  wire.Responder = [](const TBytes& frame, const TConnParams& params) {
    const std::uint16_t code = params.Port == 9600 ? 0x800D : kProbeCode;
    return std::vector<TReadStep>{{Frame(code, FramePackNum(frame))}};
  };
  EXPECT_TRUE(link.Connect(100, "1"));
  EXPECT_EQ(OpenedRates(), (std::vector<std::int32_t>{9600, 115200, 9600}));
}

TEST_F(LinkConnectTest, OpenFailureDuringTheScanReachesTheCaller) {
  link.ConnParams = TConnParams{cmCOM, "/dev/ttyFAKE", 9600};
  wire.OpenFailure = "no such port";
  EXPECT_THROW(link.Connect(100, "1"), EConnect);
  EXPECT_EQ(link.ConnParams.Port, 9600);
}

TEST_F(LinkConnectTest, NonSerialLinksNeedNoScan) {
  for (const TConnMode mode : {cmTCPClient, cmHID}) {
    link.ConnParams = TConnParams{mode, "1", 1};
    EXPECT_TRUE(link.Connect(100, "1"));
  }
  EXPECT_TRUE(wire.Written.empty());
  EXPECT_TRUE(wire.Opened.empty());
}

TEST_F(LinkConnectTest, SerialLinkClosedBeforeNegotiatingRefusesUntilReopened) {
  link.ConnParams = TConnParams{cmCOM, "/dev/ttyFAKE", 9600};
  AnswerProbesAt(9600);
  link.Open();
  link.Close();
  EXPECT_FALSE(link.Connect(100, "1"));
  EXPECT_TRUE(wire.Written.empty());
  link.Open();
  EXPECT_TRUE(link.Connect(100, "1"));
  EXPECT_EQ(wire.Written.size(), 1u);
}

TEST_F(LinkConnectTest, AbortStopsTheScanBeforeTheNextProbe) {
  link.ConnParams = TConnParams{cmCOM, "/dev/ttyFAKE", 9600};
  wire.Responder = [this](const TBytes&, const TConnParams&) {
    link.Abort();
    return std::vector<TReadStep>{};
  };
  EXPECT_FALSE(link.Connect(100, "1"));
  EXPECT_EQ(OpenedRates(), std::vector<std::int32_t>{9600});
}

// The properties reply: FisCode, machine, clerk, password, address, status,
// port, machine type, then dining mode and line width.
TBytes PropertiesPayload(std::size_t size) {
  TBytes payload = GccEncode().GreekBytes("AB123456789");
  const TBytes rest = {0x01, 0x02,              // MachineId 258
                       0x07,                    // ClerkID
                       0x00, 0x00, 0x30, 0x39,  // PassWord 12345
                       192,  168,  1,    10,    // host
                       0x03,                    // Status
                       0x23, 0x8C,              // port 9100
                       0x03,                    // machine type
                       0x01,                    // dining mode
                       0x30};                   // line width 48
  payload.insert(payload.end(), rest.begin(), rest.end());
  payload.resize(size, 0);
  return payload;
}

TEST_F(LinkConnectTest, PropertiesFollowTheLengthOfTheReply) {
  struct Case {
    std::size_t Size;
    TRetCode Code;
    bool DiningMode;
    std::int32_t LineBit;
  };
  for (const Case c : {Case{26, rcSuccess, false, 99}, Case{28, rcSuccess, true, 48},
                       Case{30, rcSuccess, true, 48}, Case{25, rcError, false, 99}}) {
    SCOPED_TRACE(c.Size);
    link.ConnParams = TConnParams{cmTCPClient, "127.0.0.1", 9100};
    const TBytes payload = PropertiesPayload(c.Size);
    wire.Written.clear();
    wire.Responder = [payload](const TBytes& frame, const TConnParams&) {
      return std::vector<TReadStep>{{Frame(kPropertiesCode, FramePackNum(frame), payload)}};
    };
    TEcrProperties props;
    props.LineBit = 99;
    props.FisidNo = "old";
    props.iType = 4;
    TResult result;
    GetEcrProperties(link, props, result);
    ASSERT_EQ(wire.Written.size(), 1u);
    EXPECT_EQ(FrameCode(wire.Written[0]), kPropertiesCode);
    EXPECT_TRUE(FramePayload(wire.Written[0]).empty());
    EXPECT_EQ(result.Code, c.Code);
    EXPECT_EQ(props.FisidNo, "");
    EXPECT_EQ(props.iType, 4);
    EXPECT_EQ(props.DiningMode, c.DiningMode);
    EXPECT_EQ(props.LineBit, c.LineBit);
    if (c.Code == rcError) {
      EXPECT_EQ(result.Msg, "Error");
      EXPECT_EQ(props.MachineId, 0);
      EXPECT_EQ(props.host, "");
      continue;
    }
    EXPECT_EQ(props.FisCode, "AB123456789");
    EXPECT_EQ(props.MachineId, 258);
    EXPECT_EQ(props.ClerkID, 7);
    EXPECT_EQ(props.PassWord, 12345);
    EXPECT_EQ(props.host, "192.168.1.10");
    EXPECT_EQ(props.Status, 3);
    EXPECT_EQ(props.port, 9100);
    EXPECT_EQ(props.MachineType, mtFCR3);
  }
}

TEST_F(LinkConnectTest, PropertiesMachineTypeAndNegativePort) {
  struct Case {
    std::uint8_t Code;
    TMachineType Type;
  };
  link.ConnParams = TConnParams{cmTCPClient, "127.0.0.1", 9100};
  for (const Case c : {Case{2, mtFCR2}, Case{3, mtFCR3}, Case{5, mtFCR5}, Case{1, mtFCR1},
                       Case{4, mtFCR1}, Case{0xFF, mtFCR1}}) {
    TBytes payload = PropertiesPayload(26);
    payload[25] = c.Code;
    payload[23] = 0x80;  // a negative port counts by its size
    payload[24] = 0x05;
    wire.Responder = [payload](const TBytes& frame, const TConnParams&) {
      return std::vector<TReadStep>{{Frame(kPropertiesCode, FramePackNum(frame), payload)}};
    };
    TEcrProperties props;
    TResult result;
    GetEcrProperties(link, props, result);
    EXPECT_EQ(result.Code, rcSuccess);
    EXPECT_EQ(props.MachineType, c.Type) << int{c.Code};
    EXPECT_EQ(props.port, 6);
  }
}

TEST_F(LinkConnectTest, PropertiesFailWhenTheScanFindsNothingOrTheRegisterRefuses) {
  link.ConnParams = TConnParams{cmCOM, "/dev/ttyFAKE", 9600};
  AnswerProbesAt(0);
  TEcrProperties props;
  TResult result;
  GetEcrProperties(link, props, result);
  EXPECT_EQ(result.Code, rcError);
  EXPECT_EQ(result.Msg, "Error");

  link.Close();
  link.ConnParams = TConnParams{cmTCPClient, "127.0.0.1", 9100};
  wire.Responder = [](const TBytes& frame, const TConnParams&) {
    return std::vector<TReadStep>{
        {Frame(0x800D, FramePackNum(frame), GccEncode().GreekBytes("ΛAΘOΣ 12"))}};
  };
  props.MachineId = 5;
  GetEcrProperties(link, props, result);
  EXPECT_EQ(result.Code, rcEVastel);
  EXPECT_EQ(result.ExParams, 12);
  EXPECT_EQ(props.MachineId, 5);
}

}  // namespace
}  // namespace danvore
