// The durable record-store operations: appends, removal and folder listing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/durable_store.h"
#include "support/temp_dir.h"

namespace danvore::platform {
namespace {

TEST(DurableStore, AppendCreatesThenExtends) {
  test::TTempDir temp;
  const std::string path = temp / "entry";
  EXPECT_TRUE(DurableAppend(path, "one\n"));
  EXPECT_TRUE(DurableAppend(path, "two\n"));
  EXPECT_EQ(test::ReadText(path), "one\ntwo\n");
  EXPECT_FALSE(DurableAppend(temp / "missing/entry", "x"));
}

TEST(DurableStore, RemoveIsTrueWhenTheFileIsGone) {
  test::TTempDir temp;
  const std::string path = temp / "entry";
  ASSERT_TRUE(DurableAppend(path, "x"));
  EXPECT_TRUE(DurableRemove(path));
  EXPECT_FALSE(FileExists(path));
  EXPECT_TRUE(DurableRemove(path));  // already gone
  std::filesystem::create_directory(temp / "folder");
  EXPECT_FALSE(DurableRemove(temp / "folder"));
}

TEST(DurableStore, ListFilesGivesRegularFilesOnly) {
  test::TTempDir temp;
  ASSERT_TRUE(DurableAppend(temp / "a.progress", "x"));
  ASSERT_TRUE(DurableAppend(temp / "b", "y"));
  std::filesystem::create_directory(temp / "sub");
  std::vector<std::string> names = ListFiles(temp.Dir());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.progress", "b"}));
  EXPECT_TRUE(ListFiles(temp / "missing").empty());
}

}  // namespace
}  // namespace danvore::platform
