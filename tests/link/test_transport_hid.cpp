// The USB-HID wrapper and transport over a fake device library.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "core/errors.h"
#include "link/hecr_link.h"
#include "link/hid.h"
#include "link/hid_transport.h"
#include "link/link_test_support.h"

namespace danvore {
namespace {

// A device library with one device; every call is recorded.
struct TFakeHidLibrary {
  bool Attached = true;
  bool Refuse = false;
  bool IsOpen = false;
  std::uint16_t OpenedProduct = 0;
  std::uint16_t OpenedVendor = 0;
  std::u16string Error = u" \tAccess is denied.\r\n";
  std::deque<int> ReadCounts;  // one per read; negative: failure
  // The register's answers: the next one is read once a request was written.
  std::deque<TBytes> Replies;
  std::size_t Answered = 0;
  int Reads = 0;
  int WriteResult = 1;
  std::vector<std::vector<std::uint8_t>> Writes;
  std::vector<int> WriteTimeOuts;
  std::string Name = "ECR HID";

  platform::THidLibrary Table() {
    platform::THidLibrary table;
    table.OpenHid = [this](std::uint16_t product, std::uint16_t vendor) {
      OpenedProduct = product;
      OpenedVendor = vendor;
      IsOpen = !Refuse;
      return IsOpen ? 1 : 0;
    };
    table.CloseHid = [this] { IsOpen = false; };
    table.IsHidActive = [this] { return IsOpen ? 1 : 0; };
    table.IsHidDevDetect = [this](std::uint16_t product, std::uint16_t vendor) {
      return Attached && product == 22352 && vendor == 1155 ? 1 : 0;
    };
    table.ReadHidDataAsync = [this](std::uint8_t* dest, int) {
      ++Reads;
      if (!Replies.empty() && Answered < Writes.size()) {
        const TBytes reply = Replies.front();
        Replies.pop_front();
        ++Answered;
        std::copy(reply.begin(), reply.end(), dest);
        return static_cast<int>(reply.size());
      }
      if (ReadCounts.empty()) return 0;
      const int count = ReadCounts.front();
      ReadCounts.pop_front();
      for (int i = 0; i < count && i < platform::kHidReadCapacity; ++i) {
        dest[i] = static_cast<std::uint8_t>(i + 1);
      }
      return count;
    };
    table.WriteHidDataAsync = [this](const std::uint8_t* source, int offset, int count,
                                     int timeOut) {
      Writes.emplace_back(source + offset, source + offset + count);
      WriteTimeOuts.push_back(timeOut);
      return WriteResult;
    };
    table.GetDeviceName = [this](char* dest) {
      Name.copy(dest, Name.size());
      return static_cast<int>(Name.size());
    };
    table.GetLastUserError = [this](char16_t* dest) {
      Error.copy(dest, Error.size());
      return static_cast<int>(Error.size());
    };
    return table;
  }
};

const TConnParams kHidParams{cmHID, "22352", 1155};

class HidTransportTest : public ::testing::Test {
 protected:
  test::TAppRunning running;
  TFakeHidLibrary library;
  THidTransport transport{kHidParams, library.Table()};
};

TEST_F(HidTransportTest, OpenPassesTheIdsAndLogsNothing) {
  test::TLogCapture log;
  transport.Open();
  EXPECT_TRUE(library.IsOpen);
  EXPECT_EQ(library.OpenedProduct, 22352);
  EXPECT_EQ(library.OpenedVendor, 1155);
  EXPECT_TRUE(transport.Hid().Active());
  EXPECT_EQ(transport.Hid().ProductName(), "ECR HID");
  EXPECT_TRUE(log.Lines().empty());
  transport.Close();
  EXPECT_FALSE(library.IsOpen);
  EXPECT_EQ(transport.Hid().ProductName(), "");
}

TEST_F(HidTransportTest, OpenFailures) {
  struct Case {
    const char* Name;
    std::string Host;
    bool Attached;
    bool Refuse;
    std::string Message;
  };
  const Case cases[] = {
      {"refused", "22352", true, true, "Access is denied."},
      {"not attached", "22352", false, false, SysErrorMessage(ERROR_BAD_UNIT_CODE)},
      {"product not a number", "22x52", true, false, "'22x52' is not a valid integer value"},
      {"product empty", "", true, false, "'' is not a valid integer value"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    library.Attached = c.Attached;
    library.Refuse = c.Refuse;
    THidTransport hid({cmHID, c.Host, 1155}, library.Table());
    try {
      hid.Open();
      ADD_FAILURE() << "Open succeeded";
    } catch (const EConnect& error) {
      EXPECT_EQ(std::string(error.what()), c.Message);
    }
    EXPECT_FALSE(library.IsOpen);
  }
}

TEST_F(HidTransportTest, ReadGivesExactlyTheBytesTheLibraryReports) {
  transport.Open();
  library.ReadCounts = {0, 5, 4096};
  EXPECT_TRUE(transport.ReadAvailable().empty());
  EXPECT_EQ(transport.ReadAvailable(), (TBytes{1, 2, 3, 4, 5}));
  EXPECT_EQ(transport.ReadAvailable().size(), 4096u);
}

TEST_F(HidTransportTest, ReadAndWriteFailuresBecomeConnectionErrors) {
  transport.Open();
  library.ReadCounts = {-1};
  try {
    transport.ReadAvailable();
    ADD_FAILURE() << "read succeeded";
  } catch (const EConnect& error) {
    EXPECT_EQ(std::string(error.what()), "Access is denied.");
  }
  library.WriteResult = 0;
  TWriteArgs args{TBytes{1, 2, 3}, 3, 500};
  EXPECT_THROW(transport.WriteFrame(args), EConnect);
}

TEST_F(HidTransportTest, WriteSendsTheFrameWithTheWriteTimeOut) {
  transport.Open();
  TWriteArgs args{TBytes{9, 8, 7, 6}, 3, 500};
  transport.WriteFrame(args);
  ASSERT_EQ(library.Writes.size(), 1u);
  EXPECT_EQ(library.Writes[0], (std::vector<std::uint8_t>{9, 8, 7}));
  EXPECT_EQ(library.WriteTimeOuts[0], 3000);
}

TEST_F(HidTransportTest, DetachedDeviceAndShutDownFailBeforeTouchingTheDevice) {
  transport.Open();
  TWriteArgs args{TBytes{1}, 1, 500};
  library.Attached = false;
  struct Case {
    const char* Name;
    bool Attached;
    bool Running;
    std::string ReadMessage;
    std::string WriteMessage;
  };
  const Case cases[] = {
      {"detached", false, true, SysErrorMessage(ERROR_BAD_UNIT_CODE),
       SysErrorMessage(ERROR_DEVICE_NOT_CONNECTED_CODE)},
      {"shutting down", true, false, "User Canceled", "User Canceled"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    library.Attached = c.Attached;
    GetConfig().AppRunning = c.Running;
    try {
      transport.ReadAvailable();
      ADD_FAILURE() << "read succeeded";
    } catch (const EConnect& error) {
      EXPECT_EQ(std::string(error.what()), c.ReadMessage);
    }
    try {
      transport.WriteFrame(args);
      ADD_FAILURE() << "write succeeded";
    } catch (const EConnect& error) {
      EXPECT_EQ(std::string(error.what()), c.WriteMessage);
    }
  }
  EXPECT_EQ(library.Reads, 0);
  EXPECT_TRUE(library.Writes.empty());
}

TEST(HidWrapperTest, ErrorTextIsTrimmedAndBounded) {
  TFakeHidLibrary library;
  struct Case {
    std::u16string Text;
    std::string Expected;
  };
  const Case cases[] = {
      {u" \tAccess is denied.\r\n", "Access is denied."},
      {u"\u0391\u03a0\u039f", "ΑΠΟ"},
      {u"", ""},
  };
  for (const Case& c : cases) {
    library.Error = c.Text;
    EXPECT_EQ(THid(library.Table()).GetLastHidError(), c.Expected);
  }
  // A library that claims a longer text than the buffer holds is cut at it.
  platform::THidLibrary table = library.Table();
  table.GetLastUserError = [](char16_t* dest) {
    std::fill(dest, dest + platform::kHidErrorCapacity, u'x');
    return 100000;
  };
  EXPECT_EQ(THid(table).GetLastHidError(), std::string(platform::kHidErrorCapacity, 'x'));
}

TEST(HidWrapperTest, DefaultsOpenOnceAndClearInputBuffer) {
  TFakeHidLibrary library;
  THid hid(library.Table());
  EXPECT_EQ(hid.WriteTimeOut, 3000u);
  hid.ProductID = 22352;
  hid.VendorID = 1155;
  hid.Open();
  library.OpenedProduct = 0;
  hid.Open();  // already open: the library is not asked again
  EXPECT_EQ(library.OpenedProduct, 0);
  library.ReadCounts = {10, 3, 0, 7};
  hid.ClearInputBuffer();
  EXPECT_EQ(library.Reads, 3);
}

// The link over the HID transport and the fake device library.
class HidLinkTest : public ::testing::Test {
 protected:
  HidLinkTest() {
    link.ConnParams = kHidParams;
    link.SetTransportFactory([this](const TConnParams& params) {
      return std::make_unique<THidTransport>(params, library.Table());
    });
  }
  test::TAppRunning running;
  TFakeHidLibrary library;
  THecrLink link;
};

TEST_F(HidLinkTest, ReplyComesBackOverTheHidTransport) {
  library.Replies = {test::Frame(0xE000, 0, {0x11, 0x22, 0x33})};
  TBytes buffer{1};
  const TResult result = link.SendBuffer(20000, buffer, 0, 1, 5000, 0, "123456");
  EXPECT_EQ(result.Code, rcSuccess) << result.Msg;
  EXPECT_EQ(buffer, (TBytes{0x11, 0x22, 0x33}));
  ASSERT_EQ(library.Writes.size(), 1u);
  EXPECT_EQ(test::FrameCode(TBytes(library.Writes[0].begin(), library.Writes[0].end())), 0xE000);
}

TEST_F(HidLinkTest, ExchangeOverTheHidTransport) {
  TBytes buffer{1};
  library.ReadCounts = {-1};
  const TResult result = link.SendBuffer(20000, buffer, 0, 1, 500, 0, "123456");
  EXPECT_EQ(result.Code, rcEConnect);
  EXPECT_EQ(result.Msg, "Access is denied.");
  EXPECT_FALSE(link.Active());
  ASSERT_EQ(library.Writes.size(), 1u);
  EXPECT_EQ(library.Writes[0].size(), 19u);
}

}  // namespace
}  // namespace danvore
