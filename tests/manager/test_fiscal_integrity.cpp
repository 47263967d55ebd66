// A command file retried after a passing failure never prints a receipt the
// register has already closed: the worker against the register simulator,
// whose journal is what the register printed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/format.h"
#include "core/program_dir.h"
#include "manager/command_file.h"
#include "manager/progress_journal.h"
#include "manager/worker_support.h"
#include "platform/durable_store.h"
#include "platform/fs.h"

namespace danvore {
namespace {

using test::FilesEndingWith;
using test::ReadText;

const std::string kCoffee = "SL/Coffee/1/1/2,50\r\nCR/1/2,50\r\n";
const std::string kTea = "SL/Tea/2/1/3,00\r\nCR/1/3,00\r\n";

// What one run left behind.
struct TOutcome {
  std::string Answer;   // bytes of the one answer file
  std::string Printed;  // the register's journal
  sim::TDailyTotals Daily;
};

// Counts the receipts of the journal that were closed and name `item`.
int ClosedReceiptsWith(const std::string& printed, const std::string& item) {
  int count = 0;
  std::size_t start = 0;
  for (;;) {
    const std::size_t header = printed.find("RECEIPT ", start);
    if (header == std::string::npos) return count;
    const std::size_t next = printed.find("RECEIPT ", header + 8);
    const std::string receipt = printed.substr(header, next - header);
    if (receipt.find(item) != std::string::npos && receipt.find("TOTAL") != std::string::npos)
      ++count;
    if (next == std::string::npos) return count;
    start = next;
  }
}

class FiscalIntegrityTest : public testing::Test {
 protected:
  // A worker whose link gives up at the first lost reply: the link's own
  // retry would send the payment again inside one exchange, and these tests
  // are about the retry of the whole file.
  static TManager& Worker(test::TWorkerFixture& f) {
    TManager& manager = f.MakeManager();
    manager.Link().TimeOut = 1000;
    manager.Link().Retrycnt = 0;
    return manager;
  }
  static bool Handle(test::TWorkerFixture& f, const std::string& path) {
    const std::string folder = f.AnswerRoot() + "day" + platform::PathSeparator();
    platform::ForceDirectories(folder);
    std::vector<std::string> lines;
    return f.Manager().HandleFile(folder, path, lines);
  }
  static std::vector<std::string> Entries() { return platform::ListFiles(ProgressDir()); }
  static TOutcome Outcome(test::TWorkerFixture& f) {
    TOutcome outcome;
    const std::vector<std::string> answers = FilesEndingWith(f.AnswerRoot(), ".Ans");
    EXPECT_EQ(answers.size(), 1u);
    if (!answers.empty()) outcome.Answer = ReadText(answers[0]);
    EXPECT_TRUE(FilesEndingWith(f.AnswerRoot(), ".ERR1").empty());
    EXPECT_TRUE(FilesEndingWith(f.AnswerRoot(), ".ERR2").empty());
    outcome.Printed = f.Sim().Journal();
    outcome.Daily = f.Sim().DailyTotals();
    return outcome;
  }
  // The same file on a register without faults.
  static TOutcome FaultFree(const std::string& content) {
    test::TWorkerFixture f;
    Worker(f);
    EXPECT_TRUE(Handle(f, f.Drop("R.txt", content)));
    return Outcome(f);
  }
};

TEST_F(FiscalIntegrityTest, ARetryDoesNotPrintAClosedReceiptAgain) {
  struct TCase {
    const char* Name;
    std::string Content;
    const char* Fault;                  // simulator command armed before the first attempt
    int Voided;                         // receipts the void before the retry cancelled
    std::vector<std::string> Reports;   // shown on the retry
    std::vector<std::string> Receipts;  // an item of each receipt of the file
  };
  const TCase cases[] = {
      {"lost reply to the payment",
       kCoffee,
       "exec-drop 10004 2",
       0,
       {"Handle File[R.txt] Line2 was sent before the failure and the register has no open "
        "receipt: it closed its receipt",
        "Handle File[R.txt] Nothing to resume: the receipts up to Line2 (the last line) are "
        "closed and are not sent again"},
       {"Coffee"}},
      {"connection dropped after the payment",
       kCoffee,
       "exec-close 10004 2",
       0,
       {"Handle File[R.txt] Line2 was sent before the failure",
        "Handle File[R.txt] Nothing to resume: the receipts up to Line2"},
       {"Coffee"}},
      {"lost reply to the payment of the second receipt",
       kCoffee + kTea,
       "exec-drop 10004 4",
       0,
       {"Handle File[R.txt] Line4 was sent before the failure",
        "Handle File[R.txt] Nothing to resume: the receipts up to Line4"},
       {"Coffee", "Tea"}},
      {"second receipt fails before its payment",
       kCoffee + kTea,
       "exec-close 10004 3",
       1,
       {"Handle File[R.txt] Resume at Line3: the receipts up to Line2 are closed and are not "
        "sent again"},
       {"Coffee", "Tea"}},
      {"close line after a partial payment",
       "SL/Coffee/1/1/2,50\r\nCR/1/1,00\r\nER\r\n" + kTea,
       "exec-close 10004 3",
       0,
       {"Handle File[R.txt] Line3 was sent before the failure",
        "Handle File[R.txt] Resume at Line4: the receipts up to Line3"},
       {"Coffee", "Tea"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TOutcome expected = FaultFree(c.Content);
    test::TWorkerFixture f;
    test::TLogCapture log;
    Worker(f);
    f.Control(c.Fault);
    const std::string path = f.Drop("R.txt", c.Content);
    EXPECT_FALSE(Handle(f, path));
    EXPECT_TRUE(platform::FileExists(path));
    EXPECT_EQ(Entries().size(), 1u);
    // The other program sees nothing of it among its answers.
    EXPECT_TRUE(test::FilesUnder(f.AnswerRoot()).empty());

    EXPECT_TRUE(Handle(f, path));
    const TOutcome outcome = Outcome(f);
    EXPECT_EQ(outcome.Answer, expected.Answer);
    EXPECT_EQ(outcome.Answer, c.Content);
    for (const std::string& item : c.Receipts)
      EXPECT_EQ(ClosedReceiptsWith(outcome.Printed, item), 1) << item << "\n" << outcome.Printed;
    EXPECT_EQ(outcome.Daily.Receipts, expected.Daily.Receipts);
    EXPECT_EQ(outcome.Daily.Net(), expected.Daily.Net());
    EXPECT_EQ(outcome.Daily.Voided, c.Voided);
    // Without a void the register printed exactly what a fault-free run prints.
    if (c.Voided == 0) {
      EXPECT_EQ(outcome.Printed, expected.Printed);
    }
    for (const std::string& report : c.Reports)
      EXPECT_TRUE(log.HasPart(report)) << report;
    EXPECT_FALSE(platform::FileExists(path));
    EXPECT_TRUE(Entries().empty());
  }
}

// Nothing closed yet: the void clears the receipt and the whole file runs
// again, as it always did.
TEST_F(FiscalIntegrityTest, AFailureBeforeAnyPaymentRebuildsTheReceipt) {
  struct TCase {
    const char* Name;
    std::string Content;
    const char* Fault;
  };
  const TCase cases[] = {
      {"connection dropped after the first sale", "SL/Coffee/1/1/2,50\r\n" + kTea,
       "exec-close 10004 1"},
      {"lost reply to the second sale", "SL/Coffee/1/1/2,50\r\n" + kTea, "exec-drop 10004 2"},
      {"file without a payment", "SL/Coffee/1/1/2,50\r\nSL/Tea/2/1/3,00\r\n", "exec-close 10004 2"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    test::TWorkerFixture f;
    test::TLogCapture log;
    Worker(f);
    f.Control(c.Fault);
    const std::string path = f.Drop("R.txt", c.Content);
    EXPECT_FALSE(Handle(f, path));
    const std::size_t firstAttempt = f.Sim().Requests().size();
    EXPECT_TRUE(Handle(f, path));
    EXPECT_EQ(f.Sim().DailyTotals().Voided, 1);
    EXPECT_TRUE(log.HasPart("All Void OK, !!!NOTICE!!!"));
    EXPECT_FALSE(log.HasPart("Resume"));
    EXPECT_FALSE(log.HasPart("was sent before the failure"));
    EXPECT_EQ(ReadText(FilesEndingWith(f.AnswerRoot(), ".Ans").at(0)), c.Content);
    // Status, void, its status check, then every line from the first.
    const std::vector<sim::TSimFrame> requests = f.Sim().Requests();
    std::size_t sales = 0;
    for (std::size_t i = firstAttempt; i < requests.size(); ++i)
      sales += requests[i].Id == 10004 ? 1 : 0;
    std::vector<std::string> lines;
    SplitTextLines(c.Content, lines);
    EXPECT_EQ(sales, 1 + lines.size());
    EXPECT_TRUE(Entries().empty());
  }
}

// A payment that never reached the register, then a void whose reply was
// lost: the next retry finds no open receipt, yet the payment closed nothing.
TEST_F(FiscalIntegrityTest, AVoidAfterAnInterruptedPaymentIsNotTakenForItsClose) {
  test::TWorkerFixture f;
  test::TLogCapture log;
  Worker(f);
  f.Control("drop 3");  // status, sale, then the payment is lost unexecuted
  const std::string path = f.Drop("R.txt", kCoffee);
  EXPECT_FALSE(Handle(f, path));
  ASSERT_TRUE(f.Sim().ReceiptOpen());
  f.Control("exec-close 10004");  // the void runs, its reply is lost
  EXPECT_FALSE(Handle(f, path));
  ASSERT_FALSE(f.Sim().ReceiptOpen());
  EXPECT_EQ(f.Sim().DailyTotals().Voided, 1);
  EXPECT_TRUE(Handle(f, path));
  EXPECT_EQ(ClosedReceiptsWith(f.Sim().Journal(), "Coffee"), 1) << f.Sim().Journal();
  EXPECT_FALSE(log.HasPart("was sent before the failure"));
  EXPECT_EQ(ReadText(FilesEndingWith(f.AnswerRoot(), ".Ans").at(0)), kCoffee);
}

// Every record is flushed to the disk before its line is sent: only the
// lines that can end a receipt get them, the sales between cost nothing.
TEST_F(FiscalIntegrityTest, OnlyLinesThatCanEndAReceiptAreRecorded) {
  test::TWorkerFixture f;
  Worker(f);
  std::string content;
  for (int i = 0; i < 5; ++i)
    content += "SL/Item/1/1/1,00\r\n";
  content += "CR/1/5,00\r\nSL/Coffee/1/1/2,50\r\nSL/Tea/2/1/3,00\r\nCR/1/5,50\r\n";
  f.Control("exec-drop 10004 9");  // the second payment
  const std::string path = f.Drop("R.txt", content);
  EXPECT_FALSE(Handle(f, path));
  std::vector<std::string> records;
  SplitTextLines(test::ReadText(ProgressDir() + "R.txt.progress"), records);
  ASSERT_FALSE(records.empty());
  records.erase(records.begin());  // the header
  for (std::string& record : records)
    record = record.substr(0, record.find(" #"));
  EXPECT_EQ(records, (std::vector<std::string>{"F 6", "B 6", "F 9"}));

  EXPECT_TRUE(Handle(f, path));
  EXPECT_EQ(ClosedReceiptsWith(f.Sim().Journal(), "Item"), 1);
  EXPECT_EQ(ClosedReceiptsWith(f.Sim().Journal(), "Coffee"), 1);
  EXPECT_EQ(ReadText(FilesEndingWith(f.AnswerRoot(), ".Ans").at(0)), content);
}

TEST_F(FiscalIntegrityTest, AnotherFileUnderTheSameNameStartsFromItsFirstLine) {
  test::TWorkerFixture f;
  test::TLogCapture log;
  Worker(f);
  f.Control("exec-drop 10004 2");
  const std::string path = f.Drop("R.txt", kCoffee);
  EXPECT_FALSE(Handle(f, path));
  f.Drop("R.txt", kTea);
  EXPECT_TRUE(Handle(f, path));
  EXPECT_FALSE(log.HasPart("Resume"));
  EXPECT_EQ(ClosedReceiptsWith(f.Sim().Journal(), "Coffee"), 1);
  EXPECT_EQ(ClosedReceiptsWith(f.Sim().Journal(), "Tea"), 1);
  EXPECT_EQ(ReadText(FilesEndingWith(f.AnswerRoot(), ".Ans").at(0)), kTea);
}

TEST_F(FiscalIntegrityTest, ProgressLastsUntilTheFilesFinalOutcome) {
  struct TCase {
    const char* Name;
    std::string Content;
    const char* Extension;
  };
  const TCase cases[] = {
      {"answered", kCoffee, ".Ans"},
      // A discount after the receipt closed: the register refuses it.
      {"refused", kCoffee + "DE/1,00\r\n", ".ERR2"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    test::TWorkerFixture f;
    Worker(f);
    f.Control("exec-drop 10004 2");
    const std::string path = f.Drop("R.txt", c.Content);
    EXPECT_FALSE(Handle(f, path));
    ASSERT_EQ(Entries(), std::vector<std::string>{"R.txt.progress"});
    Handle(f, path);
    EXPECT_EQ(FilesEndingWith(f.AnswerRoot(), c.Extension).size(), 1u);
    EXPECT_FALSE(platform::FileExists(path));
    EXPECT_TRUE(Entries().empty());
    EXPECT_EQ(ClosedReceiptsWith(f.Sim().Journal(), "Coffee"), 1);
  }
}

TEST_F(FiscalIntegrityTest, TheThreadDropsProgressOfFilesThatAreGone) {
  test::TWorkerFixture f;
  TManager& manager = Worker(f);
  platform::ForceDirectories(f.InDir());
  TProgressJournal journal(ProgressDir());
  journal.Open("gone.txt", ContentKey(kCoffee));
  journal.Boundary(2);
  journal.Close();
  ASSERT_EQ(Entries().size(), 1u);
  manager.Start();
  EXPECT_TRUE(test::WaitUntil([&] { return Entries().empty(); }));
  // A new file with that name and content is a new sale.
  f.Drop("gone.txt", kCoffee);
  EXPECT_TRUE(test::WaitUntil([&] { return !FilesEndingWith(f.AnswerRoot(), ".Ans").empty(); }));
  manager.Terminate();
  manager.WaitFor();
  EXPECT_EQ(ClosedReceiptsWith(f.Sim().Journal(), "Coffee"), 1);
}

}  // namespace
}  // namespace danvore
