// The progress journal of command files: what an entry gives back after the
// worker stopped at any point, torn records, replaced files and clean-up.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "manager/progress_journal.h"
#include "manager/worker_support.h"
#include "platform/durable_store.h"
#include "platform/fs.h"

namespace danvore {
namespace {

const std::string kContent = "SL/Coffee/1/1/2,50\r\nCR/1/2,50\r\n";

class ProgressJournalTest : public testing::Test {
 protected:
  test::TTempDir temp;
  std::string Folder() const { return temp.Dir() + "Progress"; }
  std::string Commands() const { return temp.Dir() + "in"; }
};

struct TStep {
  char Kind;  // 'F' in flight, 'D' done, 'B' boundary, 'R' settled to run again
  int Line;
};

void Record(TProgressJournal& journal, const TStep& step) {
  switch (step.Kind) {
    case 'F':
      journal.InFlight(step.Line);
      break;
    case 'D':
      journal.Done(step.Line);
      break;
    case 'R':
      journal.Rerun(step.Line);
      break;
    default:
      journal.Boundary(step.Line);
      break;
  }
}

TEST_F(ProgressJournalTest, ReopenGivesTheLastBoundaryAndTheLineInFlight) {
  struct TCase {
    const char* Name;
    std::vector<TStep> Steps;
    int Boundary;
    int InFlight;
  };
  const TCase cases[] = {
      {"nothing recorded", {}, 0, 0},
      {"stopped while sending line 1", {{'F', 1}}, 0, 1},
      {"line 1 done, line 2 in flight", {{'F', 1}, {'D', 1}, {'F', 2}}, 0, 2},
      {"payment closed the receipt", {{'F', 1}, {'D', 1}, {'F', 2}, {'B', 2}}, 2, 0},
      {"second receipt in flight",
       {{'F', 1}, {'D', 1}, {'F', 2}, {'B', 2}, {'F', 3}, {'D', 3}, {'F', 4}},
       2,
       4},
      {"line in flight settled to run again", {{'F', 2}, {'R', 2}}, 0, 0},
      {"a settled line leaves another in flight", {{'F', 4}, {'R', 2}}, 0, 4},
      {"boundary recorded on a retry",
       {{'F', 2}, {'B', 2}, {'F', 3}, {'B', 3}, {'F', 4}, {'D', 4}},
       3,
       0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string name = std::string(c.Name) + ".txt";
    {
      TProgressJournal journal(Folder());
      const TFileProgress fresh = journal.Open(name, ContentKey(kContent));
      EXPECT_EQ(fresh.Boundary, 0);
      EXPECT_EQ(fresh.InFlight, 0);
      for (const TStep& step : c.Steps)
        Record(journal, step);
      journal.Close();
    }
    TProgressJournal reopened(Folder());
    const TFileProgress progress = reopened.Open(name, ContentKey(kContent));
    EXPECT_EQ(progress.Boundary, c.Boundary);
    EXPECT_EQ(progress.InFlight, c.InFlight);
  }
}

TEST_F(ProgressJournalTest, AnEntryBelongsToOneNameAndOneContent) {
  TProgressJournal journal(Folder());
  journal.Open("R1.txt", ContentKey(kContent));
  journal.InFlight(2);
  journal.Boundary(2);
  journal.Close();

  struct TCase {
    const char* Name;
    std::string File;
    std::string Content;
    int Boundary;
  };
  const TCase cases[] = {
      {"one byte changed", "R1.txt", "SL/Coffee/1/1/2,60\r\nCR/1/2,60\r\n", 0},
      {"a line more", "R1.txt", kContent + "CR/1/0\r\n", 0},
      {"another name", "R2.txt", kContent, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(journal.Open(c.File, ContentKey(c.Content)).Boundary, c.Boundary);
    journal.Close();
  }
  // The changed file replaced the entry under its name: the old progress is
  // gone even for the old content.
  EXPECT_EQ(journal.Open("R1.txt", ContentKey(kContent)).Boundary, 0);
}

TEST_F(ProgressJournalTest, ContentKeyIsSizeAndFnv1a64) {
  EXPECT_EQ(ContentKey(""), "0 cbf29ce484222325");
  EXPECT_EQ(ContentKey("a"), "1 af63dc4c8601ec8c");
  EXPECT_NE(ContentKey("ab"), ContentKey("ba"));
}

TEST_F(ProgressJournalTest, ATornLastRecordIsDroppedAndAppendsGoOnAfterIt) {
  struct TCase {
    const char* Name;
    std::string Tail;
  };
  const TCase cases[] = {
      {"cut inside the record", "B 2 #1a"},
      {"cut before the line break", "B 2 #00000000"},
      {"damaged check", "B 2 #00000000\n"},
      {"zeros from a lost block", std::string(12, '\0')},
      // Nothing after a damaged record counts, not even a sound one.
      {"damaged record before a sound one", "B 9 #12345678\nB 9 #96207ef2\n"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TProgressJournal journal(Folder());
    journal.Open("T.txt", ContentKey(kContent));
    journal.InFlight(1);
    journal.Done(1);
    journal.InFlight(2);
    journal.Close();
    ASSERT_TRUE(platform::AppendToFile(journal.EntryPath("T.txt"), c.Tail));

    TFileProgress progress = journal.Open("T.txt", ContentKey(kContent));
    EXPECT_EQ(progress.Boundary, 0);
    EXPECT_EQ(progress.InFlight, 2);
    journal.Boundary(2);
    journal.Close();
    progress = journal.Open("T.txt", ContentKey(kContent));
    EXPECT_EQ(progress.Boundary, 2);
    EXPECT_EQ(progress.InFlight, 0);
    EXPECT_TRUE(journal.Finish("T.txt"));
  }
}

TEST_F(ProgressJournalTest, FinishRemovesTheEntry) {
  TProgressJournal journal(Folder());
  journal.Open("F.txt", ContentKey(kContent));
  journal.InFlight(2);
  journal.Boundary(2);
  const std::string path = journal.EntryPath("F.txt");
  EXPECT_TRUE(platform::FileExists(path));
  EXPECT_TRUE(journal.Finish("F.txt"));
  EXPECT_FALSE(journal.Active());
  EXPECT_FALSE(platform::FileExists(path));
  // The same content dropped again later is a new file.
  EXPECT_EQ(journal.Open("F.txt", ContentKey(kContent)).Boundary, 0);
  // An entry that is not the active one goes as well.
  journal.Boundary(2);
  journal.Close();
  EXPECT_TRUE(journal.Finish("F.txt"));
  EXPECT_FALSE(platform::FileExists(path));
}

TEST_F(ProgressJournalTest, WithoutAnOpenEntryRecordsDoNothing) {
  TProgressJournal journal(Folder());
  journal.InFlight(1);
  journal.Done(1);
  journal.Boundary(1);
  EXPECT_TRUE(journal.Finish("X.txt"));
  EXPECT_FALSE(platform::DirectoryExists(Folder()));
}

TEST_F(ProgressJournalTest, ARecordThatCannotBeWrittenThrows) {
  TProgressJournal journal(Folder());
  journal.Open("W.txt", ContentKey(kContent));
  const std::string path = journal.EntryPath("W.txt");
  ASSERT_TRUE(platform::RemoveFile(path));
  std::filesystem::create_directory(path);  // appends to a folder fail
  EXPECT_THROW(journal.InFlight(1), std::runtime_error);
  journal.Close();
  EXPECT_THROW(journal.Open("W.txt", ContentKey(kContent)), std::runtime_error);

  // An entry folder that cannot be created.
  platform::WriteFileAtomic(temp.Dir() + "blocked", "x");
  TProgressJournal blocked(temp.Dir() + "blocked");
  EXPECT_THROW(blocked.Open("W.txt", ContentKey(kContent)), std::runtime_error);
}

TEST_F(ProgressJournalTest, RemoveOrphansKeepsOnlyEntriesOfFilesStillThere) {
  std::filesystem::create_directories(Commands());
  platform::WriteFileAtomic(Commands() + "/kept.txt", kContent);
  TProgressJournal journal(Folder());
  for (const char* name : {"kept.txt", "gone.txt"}) {
    journal.Open(name, ContentKey(kContent));
    journal.InFlight(1);
    journal.Close();
  }
  platform::WriteFileAtomic(journal.Folder() + "stray.tmp", "no entry");
  // A header naming another file than the entry's own name.
  std::filesystem::copy_file(journal.EntryPath("kept.txt"), journal.EntryPath("other.txt"));

  // An unreachable command folder says nothing about its files.
  EXPECT_EQ(journal.RemoveOrphans(temp.Dir() + "missing"), 0);
  EXPECT_EQ(platform::ListFiles(journal.Folder()).size(), 4u);

  EXPECT_EQ(journal.RemoveOrphans(Commands()), 3);
  const std::vector<std::string> left = platform::ListFiles(journal.Folder());
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0], "kept.txt.progress");
  EXPECT_EQ(journal.Open("kept.txt", ContentKey(kContent)).InFlight, 1);
}

}  // namespace
}  // namespace danvore
