// The TCP transport against a loopback peer that plays the register.
#include <gtest/gtest.h>

#include <string>

#include "core/errors.h"
#include "link/link_test_support.h"
#include "link/tcp_transport.h"
#include "platform/byte_channel.h"
#include "platform/clock.h"
#include "platform/listener.h"
#include "platform/network.h"
#include "platform/socket.h"

namespace danvore {
namespace {

class TcpTransportTest : public ::testing::Test {
 protected:
  TcpTransportTest() {
    std::string error;
    EXPECT_TRUE(platform::StartSocketLayer(error)) << error;
    port = listener.Listen("127.0.0.1", 0);
  }
  ~TcpTransportTest() override {
    listener.Close();
    platform::StopSocketLayer();
  }

  // Opens the transport and takes up its connection on the peer's side.
  void Connect(TTcpTransport& transport) {
    transport.Open();
    peer = listener.Accept(10000);
    ASSERT_NE(peer, nullptr);
  }

  TBytes PeerRead(std::size_t count) {
    TBytes got;
    const std::int64_t deadline = platform::MonotonicMs() + 10000;
    while (got.size() < count && platform::MonotonicMs() < deadline) {
      if (peer->Read(got, 100) == platform::TReadStatus::rsClosed) break;
    }
    return got;
  }

  TBytes ReadUntil(TTcpTransport& transport, std::size_t count) {
    TBytes got;
    const std::int64_t deadline = platform::MonotonicMs() + 10000;
    while (got.size() < count && platform::MonotonicMs() < deadline) {
      const TBytes part = transport.ReadAvailable();
      got.insert(got.end(), part.begin(), part.end());
    }
    return got;
  }

  test::TAppRunning running;
  platform::TTcpListener listener;
  std::uint16_t port = 0;
  std::unique_ptr<platform::TByteChannel> peer;
};

TEST_F(TcpTransportTest, OpenSwitchesKeepAliveOnAndLogsTheConnection) {
  test::TLogCapture log;
  TTcpTransport transport({cmTCPClient, "127.0.0.1", port});
  Connect(transport);
  ASSERT_EQ(log.Lines().size(), 1u);
  EXPECT_EQ(log.Lines()[0].Level, llInfor);
  EXPECT_EQ(log.Lines()[0].Text, "Connected with TCPClient:127.0.0.1:" + std::to_string(port));
}

TEST_F(TcpTransportTest, OnlyTheLow16BitsOfThePortCount) {
  TTcpTransport transport({cmTCPClient, "127.0.0.1", port + 65536});
  Connect(transport);
}

TEST_F(TcpTransportTest, FramesGoOutAndRepliesComeBack) {
  TTcpTransport transport({cmTCPClient, "127.0.0.1", port});
  Connect(transport);
  transport.WriteFrame(TWriteArgs{TBytes{1, 2, 3, 4, 5}, 4, 500});
  EXPECT_EQ(PeerRead(4), (TBytes{1, 2, 3, 4}));
  EXPECT_TRUE(transport.ReadAvailable().empty());
  const TBytes reply{9, 8, 7};
  ASSERT_TRUE(peer->Write(reply.data(), reply.size()));
  EXPECT_EQ(ReadUntil(transport, 3), reply);
}

TEST_F(TcpTransportTest, PeerThatClosesIsNoLongerConnected) {
  TTcpTransport transport({cmTCPClient, "127.0.0.1", port});
  Connect(transport);
  peer->Close();
  std::string message;
  const std::int64_t deadline = platform::MonotonicMs() + 10000;
  while (message.empty() && platform::MonotonicMs() < deadline) {
    try {
      transport.ReadAvailable();
    } catch (const EConnect& error) {
      message = error.what();
    }
  }
  EXPECT_EQ(message, SysErrorMessage(ERROR_DEVICE_NOT_CONNECTED_CODE));
  try {
    transport.WriteFrame(TWriteArgs{TBytes{1}, 1, 500});
    ADD_FAILURE() << "write succeeded";
  } catch (const EConnect& error) {
    EXPECT_EQ(std::string(error.what()), SysErrorMessage(ERROR_DEVICE_NOT_CONNECTED_CODE));
  }
}

TEST_F(TcpTransportTest, RefusedConnectionFailsTheOpen) {
  listener.Close();
  TTcpTransport transport({cmTCPClient, "127.0.0.1", port});
  try {
    transport.Open();
    FAIL() << "Open succeeded";
  } catch (const EConnect& error) {
    EXPECT_NE(std::string(error.what()).find("127.0.0.1"), std::string::npos) << error.what();
  }
}

TEST_F(TcpTransportTest, ShuttingDownFailsBeforeTouchingTheSocket) {
  TTcpTransport transport({cmTCPClient, "127.0.0.1", port});
  Connect(transport);
  GetConfig().AppRunning = false;
  test::ExpectWriteAndReadCanceled(transport);
  TBytes nothing;
  EXPECT_EQ(peer->Read(nothing, 50), platform::TReadStatus::rsTimeOut);
}

TEST(NetworkTest, LoopbackNeedsNoNetwork) {
  for (const char* host : {"127.0.0.1", "127.1.2.3", "localhost", "::1"}) {
    EXPECT_TRUE(platform::NetworkAvailable(host)) << host;
  }
}

}  // namespace
}  // namespace danvore
