#include "link/ecr_command.h"

#include <gtest/gtest.h>

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
    int index;
    std::int32_t id;
    std::uint32_t code;
    TCommandStatus status;
    const char* caption;
  };
  const Row rows[] = {
      {0, 20000, 0xE000, csUpload, "检查ECR状态"},
      {3, 10009, 0xE005, csUpload, "未传当前收据内容"},
      {4, 10000, 0xE003, csDownload, "连接"},
      {6, 10002, 0xE0C2, csDownload, "登录"},
      {12, 10012, 0xE0C6, csUpload, "General"},
      {18, 10018, 0xE0CD, csDownload, "Close temporary Table"},
      {20, 100, 0xA001, csUpload, "测试通讯"},
      {21, 10007, 0x800D, csError, "异常命令"},
      {22, 30008, 0xE0FF, csUpload, "获取ECR属性"},
      {23, 10006, 0xE088, csOnline, "ECR读PC单品数据"},
      {33, 60002, 0x7002, csOnline, "应答FM命令"},
      {52, 119, 0xA020, csDownload, "头信息比较"},
      {56, 130, 0xA01C, csUpload, "上载KeySet"},
      {78, 230, 0x601C, csUpload, "上载KeySet"},
      {80, 304, 0x6081, csUpload, "上载ECR_DEP"},
  };
  ASSERT_EQ(table.Count(), 81);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.index);
    const TEcrCommand& item = table[row.index];
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
