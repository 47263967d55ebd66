// Faults of the register and of the answer folder while the worker thread
// runs: in every case the command file stays until it has a final outcome,
// no torn answer file appears, the log says what happened, and the same
// thread goes on to answer the file and the next one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "evidence/evidence_support.h"
#include "platform/fs.h"

namespace danvore {
namespace {

using test::FilesEndingWith;
using test::ReadText;
using test::WaitUntil;

class FaultEvidence : public testing::Test, public test::TWorkerFixture {
 protected:
  test::TLogCapture log;

  TManager& StartWorker() {
    TManager& manager = MakeManager();
    manager.SetInEncoding(MakeTextEncoding(test::kGreekEncoding));
    manager.SetOutEncoding(MakeTextEncoding(test::kGreekEncoding));
    // Generous: a slow (sanitizer) build must not turn a sound reply into a
    // time-out. The case that loses a reply shortens it.
    manager.Link().TimeOut = 5000;
    manager.Link().Retrycnt = 1;
    manager.Start();
    return manager;
  }
  std::string TodayFolder() {
    return DatedAnswerFolder(Manager().AnswerDir(), platform::LocalNow());
  }
  // The file is answered exactly once, whole, and gone from the folder.
  void ExpectAnsweredWhole(const std::string& path, const std::string& content) {
    ASSERT_TRUE(WaitUntil([&] {
      return !platform::FileExists(path) && !FilesEndingWith(AnswerRoot(), ".Ans").empty();
    })) << "the worker did not answer "
        << path;
    const std::vector<std::string> files = test::FilesUnder(AnswerRoot());
    ASSERT_EQ(files.size(), 1u) << "stray or torn files beside the answer";
    EXPECT_TRUE(test::EndsWith(files[0], ".Ans")) << files[0];
    EXPECT_EQ(ReadText(files[0]), content);
    platform::RemoveFile(files[0]);
  }
};

TEST_F(FaultEvidence, RegisterFaultsMidFileEndWithOneWholeAnswer) {
  struct TCase {
    const char* Name;
    std::function<void(FaultEvidence&)> Break;
    std::vector<std::string> Logged;  // parts of lines the log must hold
    bool ErrorReported;               // a "Handle File[...] Error" line is expected
    bool Reconnects;                  // the connection closed: the worker made a new one
  };
  const TCase cases[] = {
      {"closed.txt",
       [](FaultEvidence& t) { t.Control("close-after 5"); },
       {"Send Data Error"},
       true,
       true},
      {"silent.txt",
       [](FaultEvidence& t) {
         t.Manager().Link().TimeOut = 300;
         t.Manager().Link().Retrycnt = 0;
         t.Control("drop 5");
       },
       {"Send Data Error"},
       false,
       false},
      {"garbage.txt", [](FaultEvidence& t) { t.Control("garbage 4"); }, {"Receive:"}, false, false},
      {"stale.txt", [](FaultEvidence& t) { t.Control("stale 4 20"); }, {"Receive:"}, false, false},
      // The payment is printed and the connection closes before its reply:
      // the journal keeps the retry from printing the receipt again (the
      // link must not repeat the payment itself).
      {"paid.txt",
       [](FaultEvidence& t) {
         t.Manager().Link().Retrycnt = 0;
         t.Control("exec-close 10004 9");
       },
       {"Handle File[paid.txt] Line9 was sent before the failure"},
       true,
       true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    StartSimulator(Port());
    TManager& manager = StartWorker();
    c.Break(*this);
    const std::string content = test::ReceiptFile(8);
    const std::string path = Drop(c.Name, content);
    ExpectAnsweredWhole(path, content);
    for (const std::string& part : c.Logged)
      EXPECT_TRUE(log.HasPart(part)) << part;
    const std::string errorLine = std::string("Handle File[") + c.Name + "] Error";
    if (!c.ErrorReported) {
      EXPECT_FALSE(log.HasPart(errorLine)) << "the link should cope";
    }
    EXPECT_FALSE(Sim().ReceiptOpen());
    EXPECT_EQ(Sim().DailyTotals().Receipts, 1) << "printed once";
    if (c.Reconnects) {
      EXPECT_GE(Sim().Connections(), 2);
    }

    const std::string next = Drop("next.txt", test::ReceiptFile(1));
    ExpectAnsweredWhole(next, test::ReceiptFile(1));
    EXPECT_EQ(Sim().DailyTotals().Receipts, 2);
    EXPECT_FALSE(manager.Terminated());
    manager.Terminate();
    manager.WaitFor();
    DestroyManager();
  }
}

// The dated answer folder removed, or a plain file where it was (which stops
// root as well), while the thread runs: the file's lines run once only, its
// answer is written once the folder can be made again, and only then does
// the command file go.
TEST_F(FaultEvidence, AnswerFolderTroubleRunsTheFileOnce) {
  struct TCase {
    const char* Name;
    std::string Content;
    bool Blocked;          // a plain file stands where the folder was
    std::int32_t Command;  // a register command of the file
    std::size_t Sent;      // how often one run of the file sends it
  };
  const TCase cases[] = {
      {"removed.txt", "XX\r\n", false, 30009, 1},
      {"blocked.txt", "XX\r\n", true, 30009, 1},
      {"blocked receipt.txt", test::ReceiptFile(3), true, 10004, 4},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    StartSimulator(Port());
    // Gone before the thread starts: once it is there, the thread made it.
    std::filesystem::remove_all(AnswerRoot());
    TManager& manager = StartWorker();
    const std::string dated = TodayFolder();
    ASSERT_TRUE(WaitUntil([&] { return platform::DirectoryExists(dated); }));
    const std::string folder = dated.substr(0, dated.size() - 1);
    std::filesystem::remove_all(folder);
    if (c.Blocked) {
      ASSERT_TRUE(platform::WriteFileAtomic(folder, "not a folder"));
    }
    const std::string path = Drop(c.Name, c.Content);
    if (c.Blocked) {
      const std::string failed = std::string("Handle File[") + c.Name + "] Error3:";
      ASSERT_TRUE(WaitUntil([&] { return log.Starting(failed).size() >= 3; }))
          << "three passes could not write the answer";
      EXPECT_TRUE(platform::FileExists(path));
      EXPECT_EQ(test::FilesUnder(AnswerRoot()), std::vector<std::string>{folder})
          << "nothing but the blocking file";
      platform::RemoveFile(folder);
    }
    ExpectAnsweredWhole(path, c.Content);
    const std::vector<std::int32_t> ids = test::RequestIds(Sim());
    EXPECT_EQ(static_cast<std::size_t>(std::count(ids.begin(), ids.end(), c.Command)), c.Sent);
    EXPECT_FALSE(manager.Terminated());
    manager.Terminate();
    manager.WaitFor();
    DestroyManager();
  }
}

}  // namespace
}  // namespace danvore
