// Executing lines against the register simulator: the status check and its
// follow-ups, the repeat after error 14, the clerk login, the lines of a
// file and the simple manual operations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/errors.h"
#include "core/format.h"
#include "worker_support.h"

namespace danvore {
namespace {

using test::RegisterError;

class ExecutionTest : public testing::Test, public test::TWorkerFixture {
 protected:
  test::TLogCapture log;

  TResult Run(const std::vector<std::string>& lines, TResult start = {}) {
    Manager().ExecuteLines(lines, start);
    return start;
  }
  std::vector<std::uint32_t> PackNumsOf(std::int32_t id) {
    std::vector<std::uint32_t> numbers;
    for (const sim::TSimFrame& frame : Sim().Requests())
      if (frame.Id == id) numbers.push_back(frame.PackNum);
    return numbers;
  }
};

TEST_F(ExecutionTest, StatusCheckFollowsTheStatusBits) {
  struct TCase {
    const char* Control;
    TRetCode Code;
    std::string Msg;
    int Reconnect;
    std::vector<std::int32_t> Ids;
    int FirstWord;
  };
  const TCase cases[] = {
      {"status 0", rcSuccess, "", 0, {20000}, 0},
      {"status 0x04", rcSuccess, "", 1, {20000, 10000, 20000}, 4},
      {"pending 2 3",
       rcSuccess,
       "",
       0,
       {20000, 20002, 20002, 20002, 10009, 10009, 10009, 10009},
       3},
      {"status 0x08 \"PAPER OUT\"", rcEVastel, "PAPER OUT", 0, {20000}, 8},
      {"status 0x09 \"PAPER OUT\"", rcEVastel, "", 0, {20000, 20002, 20002}, 9},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Control);
    StartSimulator(Port());
    TManager& manager = MakeManager();
    Control(c.Control);
    test::TLogCapture lines;
    std::int32_t status = -1;
    int reconnect = -1;
    TResult result;
    manager.CheckEcrStatus(status, reconnect, result);
    EXPECT_EQ(result.Code, c.Code);
    EXPECT_EQ(result.Msg, c.Msg);
    EXPECT_EQ(result.ExParams, 0);
    EXPECT_EQ(reconnect, c.Reconnect);
    EXPECT_EQ(test::RequestIds(Sim()), c.Ids);
    EXPECT_TRUE(lines.Has(llDebug, Format("StatusCode:%d", c.FirstWord)));
  }
}

TEST_F(ExecutionTest, PendingDataIsReadWithRisingPacketNumbers) {
  TManager& manager = MakeManager();
  Control("pending 2 3");
  std::int32_t status = 0;
  int reconnect = 0;
  TResult result;
  manager.CheckEcrStatus(status, reconnect, result);
  EXPECT_EQ(status, 0x03);
  EXPECT_EQ(PackNumsOf(20002), (std::vector<std::uint32_t>{0, 1, 2}));
  EXPECT_EQ(PackNumsOf(10009), (std::vector<std::uint32_t>{0, 1, 2, 3}));
}

TEST_F(ExecutionTest, ReconnectIsReportedAsAConnect) {
  TManager& manager = MakeManager();
  Control("status 0x04");
  std::int32_t status = 0;
  int reconnect = 0;
  TResult result;
  manager.CheckEcrStatus(status, reconnect, result);
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(log.Has(llInfor, "connection ecr......"));
  EXPECT_TRUE(log.Has(llInfor, "connection ecr... OK"));
}

TEST_F(ExecutionTest, StatusAnswersOfTheWrongShape) {
  struct TCase {
    const char* Name;
    TBytes Payload;
    TRetCode Code;
    std::string Msg;
    std::int32_t Status;
  };
  const TCase cases[] = {
      {"one byte", {0x00}, rcError, SysErrorMessage(ERROR_INVALID_DATA_CODE), 0},
      {"no status text", {0x00, 0x12}, rcSuccess, "", 0x12},
      {"status text", {0x01, 0x02, 'O', 'K'}, rcSuccess, "OK", 0x0102},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TManager& manager = MakeManager();
    test::InstallCannedReplies(manager, {{0xE000, c.Payload}});
    std::int32_t status = -1;
    TResult result;
    manager.ReadEcrStatus(status, result);
    EXPECT_EQ(result.Code, c.Code);
    EXPECT_EQ(result.Msg, c.Msg);
    EXPECT_EQ(status, c.Status);
  }
}

TEST_F(ExecutionTest, ErrorFourteenIsRepeatedOnlyAfterAReconnect) {
  struct TCase {
    const char* Name;
    const char* Control;
    TRetCode Code;
    std::vector<std::int32_t> Ids;
  };
  const TCase cases[] = {
      {"register wants the connect command",
       "status 0x04",
       rcSuccess,
       {10004, 20000, 10000, 20000, 10004}},
      {"register refuses without the bit", "refuse 10004 14", rcEVastel, {10004, 20000}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    StartSimulator(Port());
    MakeManager();
    Control(c.Control);
    const TResult result = Run({"SL/Item/1/1/1,00"});
    EXPECT_EQ(result.Code, c.Code);
    EXPECT_EQ(test::RequestIds(Sim()), c.Ids);
    if (c.Code != rcSuccess) {
      EXPECT_EQ(result.ExParams, 14);
      EXPECT_EQ(result.Msg, "<Line1(SL/Item/1/1/1,00)>" + RegisterError(14));
    }
  }
}

TEST_F(ExecutionTest, ClerkWithoutPasswordUsesTheStoredOneAndIsRemembered) {
  MakeManager();
  Control("clerk 3 333");
  const TResult result = Run({"11/3/0"});
  ASSERT_EQ(result.Code, rcSuccess) << result.Msg;
  EXPECT_EQ(Sim().LastClerk(), 3);
  EXPECT_EQ(GetConfig().LastClerkID, 3);
  EXPECT_EQ(GetConfig().LastClerkPassWord, 0);
  const std::string ini = test::ReadText(ConfigFilePath());
  EXPECT_NE(ini.find("LastClerkID=3"), std::string::npos) << ini;
  EXPECT_NE(ini.find("LastClerkPassWord=0"), std::string::npos) << ini;
  EXPECT_NE(ini.find("ClerkID3=333"), std::string::npos) << "the clerk section stays";
  const std::vector<std::int32_t> ids = test::RequestIds(Sim());
  EXPECT_EQ(ids, (std::vector<std::int32_t>{10002, 20000})) << "login, then the status check";

  const TResult wrong = Run({"11/3/334"});
  EXPECT_EQ(wrong.Code, rcEVastel) << "a given password is sent as it is";
  EXPECT_EQ(GetConfig().LastClerkPassWord, 334);
}

TEST_F(ExecutionTest, LoginThatCannotStoreTheSettingsFailsTheLine) {
  MakeManager();
  // The program folder lies below a file: Config.Ini cannot be written.
  platform::WriteFileAtomic(Home() + "file", "");
  SetProgramDir(Home() + "file/deeper");
  FreeConfig();
  GetConfig().AppRunning = true;
  const TResult result = Run({"11/1/0"});
  EXPECT_EQ(result.Code, rcError);
  EXPECT_EQ(result.Msg.rfind("<Line1(11/1/0)>Unable to write to ", 0), 0u) << result.Msg;
  EXPECT_TRUE(Sim().Requests().empty());
}

TEST_F(ExecutionTest, LinesRunInOrderAndStopAtTheFirstFailure) {
  MakeManager();
  const TResult result = Run({"SL/A/1/1/1,00", "", "sl/B/2/1/2,00", "  ", "XY/1/2", "CR/1/0"});
  EXPECT_EQ(result.Code, rcInvalidCommand);
  EXPECT_EQ(result.Msg, "<Line5(XY/1/2)>" + SysErrorMessage(ERROR_BAD_COMMAND_CODE));
  EXPECT_EQ(test::RequestIds(Sim()), (std::vector<std::int32_t>{10004, 10004}));
  EXPECT_TRUE(log.Has(llInfor, "ExecLine:Line3(sl/B/2/1/2,00)..."));
  EXPECT_FALSE(log.HasPart("ExecLine:Line2"));
  EXPECT_FALSE(log.HasPart("ExecLine:Line6"));
}

TEST_F(ExecutionTest, LineFailuresCarryTheTagOfTheLine) {
  MakeManager();
  struct TCase {
    std::vector<std::string> Lines;
    TRetCode Code;
    std::string Msg;
  };
  const TCase cases[] = {
      {{" SL/1"}, rcInvalidCommand, "<Line1( SL/1)>" + SysErrorMessage(ERROR_BAD_COMMAND_CODE)},
      {{"UNSUPPORT/1"},
       rcInvalidCommand,
       "<Line1(UNSUPPORT/1)>" + SysErrorMessage(ERROR_BAD_COMMAND_CODE)},
      {{"TBL"}, rcError, "<Line1(TBL)>Argument out of range"},
      {{"TCL/5"}, rcEVastel, "<Line1(TCL/5)>" + RegisterError(40)},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Lines[0]);
    const TResult result = Run(c.Lines);
    EXPECT_EQ(result.Code, c.Code);
    EXPECT_EQ(result.Msg, c.Msg);
  }
}

TEST_F(ExecutionTest, BlankFileKeepsTheCallersResult) {
  MakeManager();
  const TResult result = Run({"", " \t", "\x01"}, TResult{rcSuccess, "status text", 0});
  EXPECT_EQ(result.Code, rcSuccess);
  EXPECT_EQ(result.Msg, "status text");
  EXPECT_TRUE(Sim().Requests().empty());
}

TEST_F(ExecutionTest, ParseLineKeepsEmptyFields) {
  TManager& manager = MakeManager();
  struct TCase {
    const char* Line;
    TCommandKind Kind;
    std::vector<std::string> Datas;
  };
  const TCase cases[] = {
      {"SL/1/2", ckSalePLU, {"1", "2"}}, {"SL/1/", ckSalePLU, {"1", ""}},
      {"ER", ckCloseReceipt, {}},        {"cl", ckAllVoid, {}},
      {"XY/1/2", ckUnSupport, {}},
  };
  for (const TCase& c : cases) {
    manager.ParseLine(c.Line);
    EXPECT_EQ(manager.CommandData().Kind, c.Kind) << c.Line;
    EXPECT_EQ(manager.CommandData().Datas, c.Datas) << c.Line;
  }
}

TEST_F(ExecutionTest, ManualOperationsReportTheirOutcome) {
  struct TCase {
    const char* Name;
    std::function<TResult(TManager&)> Call;
    const char* Prepare;  // a command file line run first, or nullptr
    TRetCode Code;
    std::vector<test::TLogLine> Reports;
  };
  const TCase cases[] = {
      {"void",
       [](TManager& m) { return m.AllVoid(true); },
       "SL/A/1/1/1,00",
       rcSuccess,
       {{llInfor, "All Void..."}, {llInfor, "All Void OK"}}},
      {"void from the worker",
       [](TManager& m) { return m.AllVoid(false); },
       "SL/A/1/1/1,00",
       rcSuccess,
       {{llInfor, "All Void..."}, {llWarning, "All Void OK, !!!NOTICE!!!"}}},
      {"connect",
       [](TManager& m) { return m.Connect(true); },
       nullptr,
       rcSuccess,
       {{llInfor, "connection ecr......"}, {llInfor, "connection ecr... OK"}}},
      {"close without receipt",
       [](TManager& m) { return m.CloseReceipt(); },
       nullptr,
       rcEVastel,
       {{llInfor, "Close Receipt..."}, {llError, "Close Receipt Error," + RegisterError(20)}}},
      {"close",
       [](TManager& m) { return m.CloseReceipt(); },
       "SL/A/1/1/1,00",
       rcSuccess,
       {{llInfor, "Close Receipt..."}, {llInfor, "Close Receipt OK"}}},
      {"disconnect", [](TManager& m) { return m.DisConnnect(true); }, nullptr, rcSuccess, {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    StartSimulator(Port());
    TManager& manager = MakeManager();
    if (c.Prepare != nullptr) {
      ASSERT_EQ(Run({c.Prepare}).Code, rcSuccess);
    }
    test::TLogCapture lines;
    const TResult result = c.Call(manager);
    EXPECT_EQ(result.Code, c.Code) << result.Msg;
    std::vector<std::string> texts;
    for (const test::TLogLine& line : lines.Lines()) {
      for (const char* name : {"All Void", "connection ecr", "Close Receipt", "disconnection"})
        if (line.Text.rfind(name, 0) == 0)
          texts.push_back(Format("%d %s", static_cast<int>(line.Level), line.Text));
    }
    std::vector<std::string> expected;
    for (const test::TLogLine& line : c.Reports)
      expected.push_back(Format("%d %s", static_cast<int>(line.Level), line.Text));
    EXPECT_EQ(texts, expected);
    EXPECT_FALSE(Sim().ReceiptOpen());
    EXPECT_FALSE(manager.SuspendWork());
    EXPECT_TRUE(manager.Lock()) << "the lock was given back";
    manager.UnLock();
  }
}

}  // namespace
}  // namespace danvore
