// Faults of the register and of the answer folder while the worker thread
// runs: in every case the command file stays until it has a final outcome,
// no torn answer file appears, the log says what happened, and the same
// thread goes on to answer the file and the next one.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "evidence/evidence_support.h"
#include "platform/fs.h"

namespace danvore {
namespace {

using test::FilesEndingWith;
using test::ReadBytes;
using test::WaitUntil;

class FaultEvidence : public testing::Test, public test::TWorkerFixture {
 protected:
  test::TLogCapture log;

  TManager& StartWorker() {
    TManager& manager = MakeManager();
    manager.SetInEncoding(MakeTextEncoding(test::kGreekEncoding));
    manager.SetOutEncoding(MakeTextEncoding(test::kGreekEncoding));
    manager.Link().TimeOut = 300;
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
    const std::vector<std::string> files = test::AnswerRootFiles(AnswerRoot());
    ASSERT_EQ(files.size(), 1u) << "stray or torn files beside the answer";
    EXPECT_TRUE(test::EndsWith(files[0], ".Ans")) << files[0];
    EXPECT_EQ(ReadBytes(files[0]), content);
    platform::RemoveFile(files[0]);
  }
};

TEST_F(FaultEvidence, RegisterFaultsMidFileEndWithOneWholeAnswer) {
  struct TCase {
    const char* Name;
    std::function<void(FaultEvidence&)> Break;
    std::vector<std::string> Logged;  // parts of lines the log must hold
    bool ErrorReported;               // a "Handle File[...] Error" line is expected
  };
  const TCase cases[] = {
      {"closed.txt",
       [](FaultEvidence& t) { t.Control("close-after 5"); },
       {"Send Data Error"},
       true},
      {"silent.txt",
       [](FaultEvidence& t) {
         t.Manager().Link().Retrycnt = 0;
         t.Control("drop 5");
       },
       {"Send Data Error"},
       false},
      {"garbage.txt", [](FaultEvidence& t) { t.Control("garbage 4"); }, {"Receive:"}, false},
      {"stale.txt", [](FaultEvidence& t) { t.Control("stale 4 20"); }, {"Receive:"}, false},
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

    const std::string next = Drop("next.txt", test::ReceiptFile(1));
    ExpectAnsweredWhole(next, test::ReceiptFile(1));
    EXPECT_FALSE(manager.Terminated());
    manager.Terminate();
    manager.WaitFor();
    DestroyManager();
  }
  // The connection that closed mid-file was reported; the worker reconnected.
  EXPECT_GE(Sim().Connections(), 1);
}

TEST_F(FaultEvidence, UnwritableAnswerFolderKeepsTheFileUntilItIsWritable) {
  TManager& manager = StartWorker();
  const std::string dated = TodayFolder();
  ASSERT_TRUE(WaitUntil([&] { return platform::DirectoryExists(dated); }));
  // A plain file where the dated folder was: no answer can be written, even
  // for root, whom permission bits do not stop.
  const std::string folder = dated.substr(0, dated.size() - 1);
  std::filesystem::remove_all(folder);
  ASSERT_TRUE(platform::WriteFileAtomic(folder, "not a folder"));

  const std::string content = test::ReceiptFile(3);
  const std::string path = Drop("unwritable.txt", content);
  ASSERT_TRUE(log.WaitForPart("Handle File[unwritable.txt] Error3:"));
  EXPECT_TRUE(platform::FileExists(path));
  EXPECT_EQ(test::AnswerRootFiles(AnswerRoot()), std::vector<std::string>{folder})
      << "nothing but the blocking file";

  platform::RemoveFile(folder);
  platform::ForceDirectories(dated);
  ExpectAnsweredWhole(path, content);
  EXPECT_FALSE(manager.Terminated());
}

}  // namespace
}  // namespace danvore
