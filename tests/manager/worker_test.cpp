// The folder worker against the register simulator over loopback TCP: the
// outcome of a command file, the answer files, the loop and its waits.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/format.h"
#include "encoding/text_encoding.h"
#include "link/econnect.h"
#include "manager/command_file.h"
#include "platform/clock.h"
#include "worker_support.h"

namespace danvore {
namespace {

using test::FilesEndingWith;
using test::ReadText;
using test::RegisterError;
using test::WaitUntil;

// "ΛAΘOΣ <n>", the register's error text, in code page 1253.
std::string RegisterError1253(int number) {
  return "\xCB"
         "A\xC8"
         "O\xD3 " +
         std::to_string(number);
}

constexpr int kGreekCodePage = 4;  // position of "1253" among the encodings

class WorkerTest : public testing::Test, public test::TWorkerFixture {
 protected:
  test::TLogCapture log;

  TManager& Worker() {
    TManager& manager = MakeManager();
    manager.SetInEncoding(MakeTextEncoding(kGreekCodePage));
    manager.SetOutEncoding(MakeTextEncoding(kGreekCodePage));
    return manager;
  }
  std::string TodayFolder() {
    const std::string folder = DatedAnswerFolder(Manager().AnswerDir(), platform::LocalNow());
    platform::ForceDirectories(folder);
    return folder;
  }
  bool Handle(const std::string& path) {
    std::vector<std::string> lines;
    return Manager().HandleFile(TodayFolder(), path, lines);
  }
  std::vector<std::string> Outputs() {
    std::vector<std::string> outputs;
    for (const char* extension : {".Ans", ".ERR1", ".ERR2"})
      for (const std::string& file : FilesEndingWith(AnswerRoot(), extension))
        outputs.push_back(file);
    return outputs;
  }
};

TEST_F(WorkerTest, ThreadAnswersAFileAndDeletesIt) {
  TManager& manager = Worker();
  const std::string content = "SL/Coffee/1001/1/2,50\r\nCR/1/2,50\r\n";
  const std::string path = Drop("R001.txt", content);
  manager.Start();
  ASSERT_TRUE(log.WaitForPart("Handle File[R001.txt(Ans:"));
  const std::vector<std::string> answers = FilesEndingWith(AnswerRoot(), ".Ans");
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(ReadText(answers[0]), content);
  EXPECT_FALSE(platform::FileExists(path));
  const int started = log.IndexOf("Handle File[R001.txt]...");
  const int done = log.IndexOf(Format("Handle File[R001.txt(Ans:%s)] OK", answers[0]));
  EXPECT_GE(started, 0);
  EXPECT_GT(done, started);
  EXPECT_EQ(Sim().DailyTotals().Receipts, 1);
  GMainFormLog.Lock();
  const std::string windowLog = GMainFormLog.LogText();
  GMainFormLog.UnLock();
  EXPECT_NE(windowLog.find("Handle File[R001.txt]..."), std::string::npos)
      << "reports of the worker are shown in the window log";
}

TEST_F(WorkerTest, AnswerStemAndDatedFolderFollowTheClock) {
  TManager& manager = Worker();
  const platform::TLocalTime before = platform::LocalNow();
  Drop("a.b.txt", "SL/x/1/1/1,00\r\nCR/1/1,00\r\n");
  manager.Start();
  ASSERT_TRUE(log.WaitForPart("Handle File[a.b.txt(Ans:"));
  const platform::TLocalTime after = platform::LocalNow();
  const std::vector<std::string> answers = FilesEndingWith(AnswerRoot(), ".Ans");
  ASSERT_EQ(answers.size(), 1u);
  const std::filesystem::path answer(answers[0]);
  const auto dated = [](const platform::TLocalTime& t) {
    return Format("%02d%02d%02d", t.Year % 100, t.Month, t.Day);
  };
  const std::string folder = answer.parent_path().filename().string();
  EXPECT_TRUE(folder == dated(before) || folder == dated(after)) << folder;
  const std::string name = answer.filename().string();
  ASSERT_EQ(name.size(), std::string("a.b_hhmmss.Ans").size()) << name;
  EXPECT_EQ(name.substr(0, 4), "a.b_");
  const int hhmmss = std::stoi(name.substr(4, 6));
  const auto stamp = [](const platform::TLocalTime& t) {
    return t.Hour * 10000 + t.Minute * 100 + t.Second;
  };
  const bool inRange = stamp(before) <= stamp(after)
                           ? hhmmss >= stamp(before) && hhmmss <= stamp(after)
                           : hhmmss >= stamp(before) || hhmmss <= stamp(after);
  EXPECT_TRUE(inRange) << name;
}

// What a command file leaves behind, by the result of its lines.
TEST_F(WorkerTest, OutcomeOfAFileByItsResult) {
  struct TCase {
    const char* Name;
    std::string Content;
    std::function<void(WorkerTest&)> Prepare;
    const char* Extension;  // nullptr: no output, the file stays
    std::string Output;     // bytes of the output file
    std::string Report;     // the closing report, %s = output path
    bool Returns;
  };
  const std::string sale = "SL/Item/1/1/1,00\r\n";
  const TCase cases[] = {
      {"success", sale + "CR/1/1,00\r\n", nullptr, ".Ans", sale + "CR/1/1,00\r\n",
       "Handle File[success.txt(Ans:%s)] OK", true},
      {"unsupported", sale + "XY/1/2\r\n", nullptr, ".ERR1",
       sale + "XY/1/2\r\n\r\n<Line2(XY/1/2)>" + SysErrorMessage(ERROR_BAD_COMMAND_CODE),
       "Handle File[unsupported.txt(Ans:%s)] Error:UnSupport Command!", false},
      {"refused", "11/1/0\r\n" + sale + "CMI/x\r\n",
       [](WorkerTest& t) { t.Control("refuse 10011 22"); }, ".ERR2",
       "11/1/0\r\n" + sale + "CMI/x\r\n\r\n<Line3(CMI/x)>" + RegisterError1253(22),
       "Handle File[refused.txt(Ans:%s)] Error:<Line3(CMI/x)>" + RegisterError(22), false},
      {"packing error", sale + "CR\r\n", nullptr, nullptr, "",
       "Handle File[packing error.txt] Error2:<Line2(CR)>" +
           SysErrorMessage(ERROR_INVALID_PARAMETER_CODE),
       false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    StartSimulator(Port());
    Worker();
    if (c.Prepare) c.Prepare(*this);
    const std::string path = Drop(std::string(c.Name) + ".txt", c.Content);
    EXPECT_EQ(Handle(path), c.Returns);
    const std::vector<std::string> outputs = Outputs();
    if (c.Extension == nullptr) {
      EXPECT_TRUE(outputs.empty());
      EXPECT_TRUE(platform::FileExists(path));
      EXPECT_TRUE(log.Has(llError, c.Report));
      platform::RemoveFile(path);
      continue;
    }
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_TRUE(test::EndsWith(outputs[0], c.Extension));
    EXPECT_EQ(ReadText(outputs[0]), c.Output);
    EXPECT_FALSE(platform::FileExists(path));
    EXPECT_TRUE(log.Has(Format(c.Report.c_str(), outputs[0])));
    platform::RemoveFile(outputs[0]);
  }
}

TEST_F(WorkerTest, RegisterTextWithLineBreaksBecomesOneLineOfTheErrorFile) {
  Worker();
  int statusReads = 0;
  // The payment's status check finds the error condition; the check before
  // the file did not.
  test::InstallHook(Manager(), [&](std::uint16_t code) {
    if (code == 0xE000 && ++statusReads == 2) Control("status 0x08 \"first\r\nsecond\"");
  });
  const std::string content = "SL/Item/1/1/1,00\r\nCR/1/1,00\r\n";
  const std::string path = Drop("multi.txt", content);
  EXPECT_FALSE(Handle(path));
  const std::vector<std::string> errors = FilesEndingWith(AnswerRoot(), ".ERR2");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(ReadText(errors[0]), content + "\r\n<Line2(CR/1/1,00)>first\tsecond");
  EXPECT_TRUE(log.Has(llError, Format("Handle File[multi.txt(Ans:%s)] Error:<Line2(CR/1/1,00)>"
                                      "first\tsecond",
                                      errors[0])));
  EXPECT_FALSE(platform::FileExists(path));
}

TEST_F(WorkerTest, PassingFailuresKeepTheFileUntilTheRegisterAnswers) {
  struct TCase {
    const char* Name;
    std::function<void(WorkerTest&)> Break;
    std::function<void(WorkerTest&)> Repair;
    std::vector<std::string> Reports;  // %s: the file's full path
  };
  const TCase cases[] = {
      {"time-out",
       [](WorkerTest& t) {
         t.Manager().Link().Retrycnt = 0;
         t.Manager().Link().TimeOut = 300;
         t.Control("drop 2");  // the sale line is lost
       },
       nullptr,
       {}},
      {"connection lost",
       [](WorkerTest& t) {
         test::InstallHook(t.Manager(), [&t](std::uint16_t code) {
           if (code == 0xE082 && t.Sim().Connections() > 0) t.Sim().Stop();
         });
       },
       [](WorkerTest& t) { t.StartSimulator(t.Port()); },
       {"Handle File[lost.txt] Error2:<Line1(SL/Item/1/1/1,00)>"}},
      {"no register",
       [](WorkerTest& t) { t.StopSimulator(); },
       [](WorkerTest& t) { t.StartSimulator(t.Port()); },
       {"Handle File[%s] Error3:", "Handle File[nobody.txt] Error3:"}},
      {"status error",
       [](WorkerTest& t) { t.Control("status 0x08 \"PAPER OUT\""); },
       [](WorkerTest& t) { t.Control("status 0"); },
       {"Handle File[error.txt] Error1:PAPER OUT"}},
  };
  const char* names[] = {"timeout.txt", "lost.txt", "nobody.txt", "error.txt"};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const TCase& c = cases[i];
    SCOPED_TRACE(c.Name);
    StartSimulator(Port());
    Worker();
    const std::string content = "SL/Item/1/1/1,00\r\nCR/1/1,00\r\n";
    const std::string path = Drop(names[i], content);
    c.Break(*this);
    EXPECT_FALSE(Handle(path));
    EXPECT_TRUE(Outputs().empty());
    EXPECT_TRUE(platform::FileExists(path));
    for (const std::string& report : c.Reports)
      EXPECT_TRUE(log.HasPart(Format(report.c_str(), path))) << report;
    if (c.Reports.empty()) {
      EXPECT_FALSE(log.HasPart(Format("Handle File[%s] Error", names[i])));
    }
    if (c.Repair) c.Repair(*this);
    Worker();
    EXPECT_TRUE(Handle(path)) << "answered once the register is back";
    const std::vector<std::string> answers = FilesEndingWith(AnswerRoot(), ".Ans");
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(ReadText(answers[0]), content);
    EXPECT_FALSE(platform::FileExists(path));
    platform::RemoveFile(answers[0]);
  }
}

TEST_F(WorkerTest, TwoFilesInARowAreBothAnswered) {
  TManager& manager = Worker();
  Drop("B.txt", "SL/B/2/1/2,00\r\nCR/1/2,00\r\n");
  Drop("A.txt", "SL/A/1/1/1,00\r\nCR/1/1,00\r\n");
  manager.Start();
  ASSERT_TRUE(WaitUntil([&] { return FilesEndingWith(AnswerRoot(), ".Ans").size() == 2; }));
  EXPECT_EQ(Sim().DailyTotals().Receipts, 2);
  EXPECT_EQ(Sim().DailyTotals().Sales, 300);
  EXPECT_TRUE(WaitUntil([&] { return test::FilesUnder(InDir()).empty(); }));
}

TEST_F(WorkerTest, OpenReceiptIsVoidedBeforeAFileWhenConfigured) {
  struct TCase {
    const char* Name;
    bool Option;
    std::string Leftover;  // a file that leaves a receipt open
    bool Voided;
    const char* Extension;  // of the next file
  };
  const TCase cases[] = {
      {"open receipt", true, "SL/A/1/1/1,00\r\n", true, ".Ans"},
      {"option off", false, "SL/A/1/1/1,00\r\n", false, ".Ans"},
      {"payment started", true, "SL/A/1/1/5,00\r\nCR/1/1,00\r\n", false, ".ERR2"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    StartSimulator(Port());
    GetConfig().AllVoidBeforeProcessFile = c.Option;
    Worker();
    ASSERT_TRUE(Handle(Drop("first.txt", c.Leftover)));
    ASSERT_TRUE(Sim().ReceiptOpen());
    const int notices = log.Count("All Void OK, !!!NOTICE!!!");
    Drop("second.txt", "SL/B/2/1/1,00\r\nCR/1/0\r\n");
    Handle(InDir() + "second.txt");
    EXPECT_EQ(Sim().DailyTotals().Voided, c.Voided ? 1 : 0);
    EXPECT_EQ(log.Count("All Void OK, !!!NOTICE!!!") - notices, c.Voided ? 1 : 0);
    if (c.Voided) {
      EXPECT_TRUE(log.Has(llWarning, "All Void OK, !!!NOTICE!!!"));
    }
    EXPECT_EQ(FilesEndingWith(AnswerRoot(), c.Extension).size(),
              c.Extension == std::string(".Ans") ? 2u : 1u);
    for (const std::string& file : test::FilesUnder(AnswerRoot()))
      platform::RemoveFile(file);
  }
}

TEST_F(WorkerTest, TerminateEndsEveryWaitAtOnceAndDisconnects) {
  struct TCase {
    const char* Name;
    int PassWait;
    int NextFileWait;
    int Files;
  };
  const TCase cases[] = {
      {"pass wait", 600000, 20, 0},
      {"wait between files", 20, 600000, 2},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    StartSimulator(Port());
    test::TLogCapture lines;
    TManager& manager = Worker();
    manager.PassWaitMs = c.PassWait;
    manager.NextFileWaitMs = c.NextFileWait;
    for (int i = 0; i < c.Files; ++i)
      Drop(Format("f%d.txt", i), "SL/A/1/1/1,00\r\nCR/1/1,00\r\n");
    manager.Start();
    if (c.Files > 0) {
      ASSERT_TRUE(lines.WaitForPart("(Ans:"));
    }
    const auto start = std::chrono::steady_clock::now();
    manager.Terminate();
    manager.WaitFor();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    const std::vector<std::int32_t> ids = test::RequestIds(Sim());
    ASSERT_FALSE(ids.empty());
    EXPECT_EQ(ids.back(), 10001) << "the disconnect command ends the run";
    EXPECT_TRUE(lines.Has(llDebug, "APP Terminated"));
    EXPECT_EQ(FilesEndingWith(AnswerRoot(), ".Ans").size(), c.Files > 0 ? 1u : 0u);
    DestroyManager();
    for (const std::string& file : test::FilesUnder(AnswerRoot()))
      platform::RemoveFile(file);
    for (const std::string& file : test::FilesUnder(InDir()))
      platform::RemoveFile(file);
  }
}

TEST_F(WorkerTest, UnwritableAnswerFolderEndsTheThread) {
  TManager& manager = Worker();
  // A file where the dated folder should go.
  platform::WriteFileAtomic(Manager().AnswerDir() + "blocked", "");
  manager.SetAnswerDir(Manager().AnswerDir() + "blocked");
  Drop("kept.txt", "SL/A/1/1/1,00\r\n");
  manager.Start();
  ASSERT_TRUE(log.WaitFor("APP Terminated"));
  EXPECT_TRUE(log.Has(llError, "The Save Folder not exits"));
  manager.WaitFor();
  EXPECT_TRUE(Sim().Requests().empty()) << "no disconnect either";
  EXPECT_TRUE(platform::FileExists(InDir() + "kept.txt"));
}

TEST_F(WorkerTest, FindCommandFileTakesOnlyAFinishedFileThatComesFirst) {
  TManager& manager = Worker();
  platform::ForceDirectories(InDir() + "x.txt");
  EXPECT_EQ(manager.FindCommandFile(InDir(), "*.txt"), "") << "a folder named like a file";
  const std::string file = Drop("a.txt", "SL/A/1/1/1,00\r\n");
  const auto first = platform::FindFirstEntry(InDir(), "*.txt");
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(manager.FindCommandFile(InDir(), "*.txt"), first->IsFile ? file : "")
      << "only the first entry counts";
  std::filesystem::remove(InDir() + "x.txt");
  EXPECT_EQ(manager.FindCommandFile(InDir(), "*.txt"), file);

  manager.MinFileAgeSeconds = 1.0;
  EXPECT_EQ(manager.FindCommandFile(InDir(), "*.txt"), "") << "still being written";
  std::filesystem::last_write_time(
      file, std::filesystem::file_time_type::clock::now() - std::chrono::seconds(5));
  EXPECT_EQ(manager.FindCommandFile(InDir(), "*.txt"), file);
  EXPECT_EQ(manager.FindCommandFile(InDir() + "missing", "*.txt"), "");
}

TEST_F(WorkerTest, NoCommandFolderIsNeverSearched) {
  TManager& manager = Worker();
  // A folder named " " holding a command file (where the file system allows
  // such a name): a blank setting must not reach it, nor the current folder.
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(Home());
  const bool blankFolder =
      platform::ForceDirectories(" ") && platform::WriteFileAtomic(" /a.txt", "SL/A/1/1/1,00\r\n");
  platform::WriteFileAtomic("b.txt", "SL/B/1/1/1,00\r\n");
  for (const char* folder : {"", " ", "\t"})
    EXPECT_EQ(manager.FindCommandFile(folder, "*.txt"), "") << "[" << folder << "]";
  manager.SetReceiptsDir("");
  manager.SetSuspendWork(true);
  manager.Start();
  // The manual operation's UnLock lifts the pause.
  EXPECT_EQ(manager.Connect(true).Code, rcSuccess);
  EXPECT_FALSE(manager.SuspendWork());
  const std::size_t requests = Sim().Requests().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(Sim().Requests().size(), requests);
  EXPECT_EQ(platform::FileExists(" /a.txt"), blankFolder);
  EXPECT_TRUE(platform::FileExists("b.txt"));
  std::filesystem::current_path(previous);
}

TEST_F(WorkerTest, AnsweredFileThatCannotBeDeletedIsNotRunAgain) {
  TManager& manager = Worker();
  const std::string path = Drop("stuck.txt", "SL/A/1/1/1,00\r\nCR/1/1,00\r\n");
  // While the file runs, a folder takes its name: deleting a file there fails.
  test::InstallHook(manager, [&](std::uint16_t code) {
    if (code != 0xE082 || std::filesystem::is_directory(path)) return;
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
  });
  EXPECT_TRUE(Handle(path));
  EXPECT_EQ(FilesEndingWith(AnswerRoot(), ".Ans").size(), 1u);
  EXPECT_TRUE(log.HasPart("Cannot delete file \"" + path + "\""));
  // The same name and content again in this run is taken for the file
  // already answered: the next search deletes it instead of running it.
  std::filesystem::remove(path);
  Drop("stuck.txt", "SL/A/1/1/1,00\r\nCR/1/1,00\r\n");
  EXPECT_EQ(manager.FindCommandFile(InDir(), "*.txt"), "");
  EXPECT_FALSE(platform::FileExists(path));
  EXPECT_TRUE(log.Has("Deleted file \"" + path + "\", answered before"));
  EXPECT_EQ(Sim().DailyTotals().Receipts, 1);
  EXPECT_EQ(FilesEndingWith(AnswerRoot(), ".Ans").size(), 1u);
}

TEST_F(WorkerTest, ConnKindOutsideTheConnectionKindsIsRefusedByTheLink) {
  for (const std::int32_t kind : {256, 257, -1, 3}) {
    SCOPED_TRACE(kind);
    GetConfig().ConnKind = kind;
    TManager& manager = Worker();
    const TConnMode mode = manager.Link().ConnParams.Mode;
    EXPECT_TRUE(mode != cmCOM && mode != cmTCPClient && mode != cmHID) << static_cast<int>(mode);
    try {
      manager.Link().Open();
      ADD_FAILURE() << "the link opened";
    } catch (const EConnect& e) {
      EXPECT_NE(std::string(e.what()).find("Unknown connection kind"), std::string::npos)
          << e.what();
    }
  }
}

TEST_F(WorkerTest, AnswerFilesKeepTheBytesOfTheChosenEncodings) {
  Worker();
  // "ΚΑΦΕΣ" in code page 1253, a lone LF and a missing final break.
  const std::string content = "SL/\xCA\xC1\xD6\xC5\xD3/1/1/1,00\nCR/1/1,00";
  const std::string path = Drop("greek.txt", content);
  EXPECT_TRUE(Handle(path));
  const std::vector<std::string> answers = FilesEndingWith(AnswerRoot(), ".Ans");
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(ReadText(answers[0]), "SL/\xCA\xC1\xD6\xC5\xD3/1/1/1,00\r\nCR/1/1,00\r\n");
  EXPECT_NE(Sim().Journal().find("\xCE\x9A\xCE\x91\xCE\xA6\xCE\x95\xCE\xA3"), std::string::npos)
      << "the register printed the Greek text";

  const std::string blank = Drop("blank.txt", " \r\n\r\n");
  EXPECT_TRUE(Handle(blank));
  bool found = false;
  for (const std::string& file : FilesEndingWith(AnswerRoot(), ".Ans")) {
    if (file.find("blank_") == std::string::npos) continue;
    found = true;
    EXPECT_EQ(ReadText(file), " \r\n\r\n");
  }
  EXPECT_TRUE(found);
}

}  // namespace
}  // namespace danvore
