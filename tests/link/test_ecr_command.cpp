#include "link/ecr_command.h"

#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <string>

namespace danvore {
namespace {

class CommandTableTest : public ::testing::Test {
 protected:
  void SetUp() override { BuildCommandTable(table); }
  TEcrCommands table;
};

TEST_F(CommandTableTest, HoldsTheBuiltInRowsInOrder) {
  struct Row {
    std::int32_t id;
    std::uint32_t code;
    TCommandStatus status;
    const char* caption;
  };
  const Row rows[] = {
      {20000, 0xE000, csUpload, "检查ECR状态"},
      {20001, 0xE001, csUpload, "读当前收据"},
      {20002, 0xE002, csUpload, "读单品销售报表"},
      {10009, 0xE005, csUpload, "未传当前收据内容"},
      {10000, 0xE003, csDownload, "连接"},
      {10001, 0xE004, csDownload, "断开连接"},
      {10002, 0xE0C2, csDownload, "登录"},
      {10003, 0xE0C3, csDownload, "登出"},
      {10004, 0xE082, csDownload, "销售"},
      {30009, 0xE01F, csDownload, "打印ECR报表"},
      {10010, 0xE0C4, csDownload, "RAPO"},
      {10011, 0xE0C5, csDownload, "PrintMsg"},
      {10012, 0xE0C6, csUpload, "General"},
      {10013, 0xE0C7, csUpload, "FPTailMsg"},
      {10017, 0xE0C9, csDownload, "Open Table"},
      {10016, 0xE0CA, csUpload, "Close Table"},
      {10015, 0xE0CB, csUpload, "Transfer Table"},
      {10014, 0xE0CC, csDownload, "Make Invoice"},
      {10018, 0xE0CD, csDownload, "Close temporary Table"},
      {10019, 0xE0CE, csDownload, "Print Custom Tail msg"},
      {100, 0xA001, csUpload, "测试通讯"},
      {10007, 0x800D, csError, "异常命令"},
      {30008, 0xE0FF, csUpload, "获取ECR属性"},
      {10006, 0xE088, csOnline, "ECR读PC单品数据"},
      {30001, 0xE010, csUpload, "上传Z报表"},
      {30002, 0xE011, csUpload, "上传单品报表"},
      {30005, 0xE014, csUpload, "上传单品区间报表"},
      {30003, 0xE012, csUpload, "上传部门报表"},
      {30004, 0xE013, csUpload, "上传组别报表"},
      {30006, 0xE015, csUpload, "上传收银员报表"},
      {30007, 0xE016, csUpload, "上传收银员区间报表"},
      {30010, 0xE017, csUpload, "上传日区间报表"},
      {60001, 0x7001, csUpload, "上载FM数据"},
      {60002, 0x7002, csOnline, "应答FM命令"},
      {101, 0xA002, csDownload, "下载参数"},
      {102, 0xA003, csDownload, "下载LOGO"},
      {103, 0xA005, csDownload, "下载单品"},
      {104, 0xA006, csDownload, "下载部门"},
      {105, 0xA007, csDownload, "下载组别"},
      {106, 0xA008, csDownload, "下载608command para"},
      {107, 0xA009, csDownload, "下载设置的头信息"},
      {108, 0xA00A, csDownload, "设置税率"},
      {109, 0xA00B, csDownload, "设置尾信息"},
      {110, 0xA00C, csDownload, "设置打折"},
      {111, 0xA00D, csDownload, "设置ticket"},
      {112, 0xA00E, csDownload, "设置打印浓度"},
      {113, 0xA00F, csDownload, "设置广告信息"},
      {114, 0xA010, csDownload, "设置Comport"},
      {115, 0xA011, csDownload, "设置EtherNet"},
      {116, 0xA012, csDownload, "设置信用卡名称"},
      {117, 0xA013, csDownload, "设置收银员"},
      {118, 0xA014, csDownload, "设置其他"},
      {119, 0xA020, csDownload, "头信息比较"},
      {120, 0xA016, csUpload, "设置ReportServer"},
      {121, 0xA017, csUpload, "设置GPRS"},
      {122, 0xA018, csUpload, "设置CardDigit"},
      {130, 0xA01C, csUpload, "上载KeySet"},
      {201, 0x6001, csUpload, "上载参数"},
      {202, 0x6005, csUpload, "上载单品"},
      {203, 0x6006, csUpload, "上载部门"},
      {204, 0x6007, csUpload, "上载组别"},
      {205, 0x6008, csUpload, "上载608command para"},
      {206, 0x6009, csUpload, "上载设置的头信息"},
      {207, 0x600A, csUpload, "上载税率"},
      {208, 0x600B, csUpload, "上载尾信息"},
      {209, 0x600C, csUpload, "上载打折"},
      {210, 0x600D, csUpload, "上载ticket"},
      {211, 0x600E, csUpload, "上载打印浓度"},
      {212, 0x600F, csUpload, "上载广告信息"},
      {213, 0x6010, csUpload, "上载Comport"},
      {214, 0x6011, csUpload, "上载EtherNet"},
      {215, 0x6012, csUpload, "上载信用卡名称"},
      {216, 0x6013, csUpload, "上载收银员"},
      {217, 0x6014, csUpload, "上载其他"},
      {218, 0x6015, csUpload, "上载LOGO"},
      {220, 0x6016, csUpload, "上载ReportServer"},
      {221, 0x6017, csUpload, "上载GPRS"},
      {222, 0x6018, csUpload, "上载CardDigit"},
      {230, 0x601C, csUpload, "上载KeySet"},
      {303, 0x6080, csUpload, "上载ECR_PLU"},
      {304, 0x6081, csUpload, "上载ECR_DEP"},
  };
  ASSERT_EQ(std::size(rows), 81u);
  ASSERT_EQ(table.Count(), 81);
  for (int index = 0; index < table.Count(); ++index) {
    SCOPED_TRACE(index);
    const Row& row = rows[index];
    const TEcrCommand& item = table[index];
    EXPECT_EQ(item.ID, row.id);
    EXPECT_EQ(item.Command, row.code);
    EXPECT_EQ(item.Status, row.status);
    EXPECT_EQ(item.Caption, row.caption);
  }
}

TEST_F(CommandTableTest, IdsAndCodesAreUniqueAndCodesFitTheWire) {
  std::set<std::int32_t> ids;
  std::set<std::uint32_t> codes;
  for (int i = 0; i < table.Count(); ++i) {
    ids.insert(table[i].ID);
    codes.insert(table[i].Command);
    EXPECT_LE(table[i].Command, 0xFFFFu) << i;
  }
  EXPECT_EQ(ids.size(), 81u);
  EXPECT_EQ(codes.size(), 81u);
}

TEST_F(CommandTableTest, RebuildingReplacesTheRows) {
  table.Add(999, 0x1234, csNone, "extra");
  BuildCommandTable(table);
  EXPECT_EQ(table.Count(), 81);
  EXPECT_EQ(table.FindByID(999), nullptr);
}

TEST_F(CommandTableTest, FindByIdAndByCommand) {
  struct Case {
    std::int32_t id;
    std::uint32_t expectedCode;  // 0: no row
  };
  const Case byId[] = {{100, 0xA001}, {99, 0}, {10007, 0x800D}, {304, 0x6081}, {0, 0}, {-1, 0}};
  for (const Case& c : byId) {
    SCOPED_TRACE(c.id);
    const TEcrCommand* item = table.FindByID(c.id);
    if (c.expectedCode == 0) {
      EXPECT_EQ(item, nullptr);
    } else {
      ASSERT_NE(item, nullptr);
      EXPECT_EQ(item->Command, c.expectedCode);
    }
  }

  const TEcrCommand* error = table.FindByCommand(0x800D);
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->ID, 10007);
  EXPECT_EQ(error->Status, csError);

  const TEcrCommand* login = table.FindByCommand(0xE0C2);
  ASSERT_NE(login, nullptr);
  EXPECT_EQ(login, table.FindByID(10002));

  // The compare is on all 32 bits: no truncation to the wire's 16.
  EXPECT_EQ(table.FindByCommand(0x1E0C2), nullptr);
  EXPECT_EQ(table.FindByCommand(0), nullptr);
}

TEST_F(CommandTableTest, FindByCaptionTrimsAndMatchesCase) {
  struct Case {
    std::string caption;
    std::int32_t expectedId;  // 0: no row
  };
  const Case cases[] = {
      {"上载KeySet", 130}, {"  上载KeySet \t", 130},
      {"General", 10012},  {"general", 0},
      {"GENERAL", 0},      {"\r\nOpen Table\x01", 10017},
      {"Open  Table", 0},  {"Open", 0},
      {"测试通讯", 100},   {"", 0},
      {"   ", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    const TEcrCommand* item = table.FindByCaption(c.caption);
    if (c.expectedId == 0) {
      EXPECT_EQ(item, nullptr);
    } else {
      ASSERT_NE(item, nullptr);
      EXPECT_EQ(item->ID, c.expectedId);
    }
  }
}

TEST(EcrCommandTest, FindsOnAnEmptyCollectionYieldNone) {
  TEcrCommands empty;
  EXPECT_EQ(empty.Count(), 0);
  EXPECT_EQ(empty.FindByID(1), nullptr);
  EXPECT_EQ(empty.FindByCommand(0), nullptr);
  EXPECT_EQ(empty.FindByCaption("TEcrCommand"), nullptr);
}

TEST(EcrCommandTest, FindByCaptionTrimsStoredCaptionsToo) {
  TEcrCommands commands;
  commands.Add(5, 0x10, csNone, "\t Padded \r\n");
  const TEcrCommand* item = commands.FindByCaption("Padded");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->ID, 5);
}

TEST(EcrCommandTest, DefaultsWithoutCollection) {
  TEcrCommand item;
  EXPECT_EQ(item.ID, 1);
  EXPECT_EQ(item.Caption, "TEcrCommand");
  EXPECT_EQ(item.Command, 0u);
  EXPECT_EQ(item.Status, csDownload);
}

TEST(EcrCommandTest, DisplayNameFallsBackToClassNameForBlankCaptions) {
  struct Case {
    std::string caption;
    std::string expected;
  };
  const Case cases[] = {
      {"", "TEcrCommand"}, {"   ", "TEcrCommand"}, {"\t\r\n\x01 ", "TEcrCommand"},
      {"RAPO", "RAPO"},    {" X ", " X "},         {"登录", "登录"},
  };
  TEcrCommand item;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    item.Caption = c.caption;
    EXPECT_EQ(item.DisplayName(), c.expected);
  }
}

TEST(EcrCommandTest, CollectionNumbersItsItems) {
  TEcrCommands commands;
  EXPECT_EQ(commands.Add().ID, 1);
  commands.Add(500, 0x12345678, csReadReceipt, "custom");
  const TEcrCommand& third = commands.Add();
  EXPECT_EQ(third.ID, 3);
  EXPECT_EQ(third.Caption, "TEcrCommand");
  EXPECT_EQ(third.Status, csDownload);

  const TEcrCommand* custom = commands.FindByID(500);
  ASSERT_NE(custom, nullptr);
  EXPECT_EQ(custom->Command, 0x12345678u);
  EXPECT_EQ(custom->Status, csReadReceipt);
  EXPECT_EQ(custom->Caption, "custom");

  // The running number survives a clear, as ids of a collection never repeat.
  commands.Clear();
  EXPECT_EQ(commands.Count(), 0);
  EXPECT_EQ(commands.Add().ID, 4);
}

TEST(EcrCommandTest, AssignCopiesEveryField) {
  TEcrCommand source;
  source.ID = 30008;
  source.Caption = "获取ECR属性";
  source.Command = 0xE0FF;
  source.Status = csUpload;
  TEcrCommand target;
  target.Assign(source);
  EXPECT_EQ(target.ID, 30008);
  EXPECT_EQ(target.Caption, "获取ECR属性");
  EXPECT_EQ(target.Command, 0xE0FFu);
  EXPECT_EQ(target.Status, csUpload);
}

}  // namespace
}  // namespace danvore
