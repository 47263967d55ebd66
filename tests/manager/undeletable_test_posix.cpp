// A command file that was answered but could not be deleted: the worker
// tries again on every search of the folder, runs a new file written under
// its name, and goes on with the folder once the deletion succeeds.
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>

#include <fstream>
#include <string>
#include <vector>

#include "core/format.h"
#include "manager/command_file.h"
#include "platform/clock.h"
#include "worker_support.h"

namespace danvore {
namespace {

using test::WaitUntil;

const std::string kCoffee = "SL/Coffee/1/1/2,50\r\nCR/1/2,50\r\n";
const std::string kTea = "SL/Tea/2/1/3,00\r\nCR/1/3,00\r\n";
const std::string kJuice = "SL/Juice/3/1/4,00\r\nCR/1/4,00\r\n";

// No file of the folder can be deleted (nor created) while it lives: write
// permission taken away, or, for root whom permissions do not stop, the
// folder made immutable. Held() is false where neither works.
class TFolderFreeze {
 public:
  explicit TFolderFreeze(std::string folder) : FFolder(std::move(folder)) { FHeld = Set(true); }
  ~TFolderFreeze() { Release(); }
  TFolderFreeze(const TFolderFreeze&) = delete;
  TFolderFreeze& operator=(const TFolderFreeze&) = delete;

  bool Held() const { return FHeld; }
  void Release() {
    if (FHeld) Set(false);
    FHeld = false;
  }

 private:
  bool Set(bool frozen) {
    if (::geteuid() != 0) return ::chmod(FFolder.c_str(), frozen ? 0555 : 0755) == 0;
    const int fd = ::open(FFolder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
      flags = frozen ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
      done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
  }

  std::string FFolder;
  bool FHeld = false;
};

// Writes over the file in place, as a program that reuses one name does.
void Overwrite(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class UndeletableTest : public testing::Test, public test::TWorkerFixture {
 protected:
  test::TLogCapture log;

  bool Handle(const std::string& path) {
    const std::string folder = DatedAnswerFolder(Manager().AnswerDir(), platform::LocalNow());
    std::vector<std::string> lines;
    return Manager().HandleFile(folder, path, lines);
  }
  int HeldUpReports() {
    return static_cast<int>(log.Starting("Command folder held up by \"").size());
  }
};

TEST_F(UndeletableTest, DeletionIsRetriedAndTheFolderGoesOnOnceItSucceeds) {
  TManager& manager = MakeManager();
  const std::string path = Drop("ecr.txt", kCoffee);
  TFolderFreeze freeze(InDir());
  if (!freeze.Held()) GTEST_SKIP() << "cannot keep files of a folder from being deleted here";

  EXPECT_TRUE(Handle(path));
  EXPECT_TRUE(platform::FileExists(path));
  EXPECT_TRUE(log.HasPart("Cannot delete file \"" + path + "\""));
  // Every search tries again and finds the folder held up; the log says so
  // once.
  for (int pass = 0; pass < 3; ++pass)
    EXPECT_EQ(manager.FindCommandFile(InDir(), "*.txt"), "");
  EXPECT_EQ(HeldUpReports(), 1);
  EXPECT_TRUE(log.HasPart("Command folder held up by \"" + path + "\""));
  EXPECT_EQ(Sim().DailyTotals().Receipts, 1);

  // A new sale written under the same name is run, and holds up the folder
  // in turn.
  Overwrite(path, kTea);
  EXPECT_EQ(manager.FindCommandFile(InDir(), "*.txt"), path);
  EXPECT_TRUE(Handle(path));
  EXPECT_EQ(manager.FindCommandFile(InDir(), "*.txt"), "");
  EXPECT_EQ(HeldUpReports(), 2);
  EXPECT_EQ(Sim().DailyTotals().Receipts, 2);

  // Deleting works again: the thread's next pass deletes it without running
  // it, then takes a file of another name and a new one under the same name.
  freeze.Release();
  Drop("other.txt", kJuice);
  manager.Start();
  ASSERT_TRUE(WaitUntil([&] { return test::FilesUnder(InDir()).empty(); }));
  EXPECT_TRUE(log.Has("Deleted file \"" + path + "\", answered before"));
  Drop("ecr.txt", kCoffee);
  // Answers of one name within one second share a name: count receipts.
  ASSERT_TRUE(
      WaitUntil([&] { return Sim().DailyTotals().Receipts == 4 && !platform::FileExists(path); }));
  manager.Terminate();
  manager.WaitFor();
  EXPECT_EQ(Sim().DailyTotals().Sales, 250 + 300 + 400 + 250);
  EXPECT_EQ(HeldUpReports(), 2);
}

}  // namespace
}  // namespace danvore
