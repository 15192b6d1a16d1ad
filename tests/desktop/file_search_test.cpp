// The wildcard search behind the import path.
#include "desktop/file_search.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace kestrune::test {
namespace {

std::vector<std::string> Names(const std::vector<FoundEntry>& entries, bool withDirs = true) {
  std::vector<std::string> out;
  for (const FoundEntry& e : entries)
    if (withDirs || !e.isDirectory) out.push_back(e.name);
  return out;
}

TEST(FileSearchTest, MaskSortedWithoutRegardToCase) {
  TempDir dir;
  for (const char* name : {"ex0612.log", "EX0611.log", "ex0613.log", "ex0610.txt", "b.LOG"})
    WriteFile(dir / name, "x");
  std::filesystem::create_directory(dir / "sub.log");
  const auto found = FindEntries(dir / "*.log");
  EXPECT_EQ(Names(found),
            (std::vector<std::string>{"EX0611.log", "ex0612.log", "ex0613.log", "sub.log"}));
  EXPECT_TRUE(found.back().isDirectory);
  EXPECT_EQ(Names(FindEntries(dir / "ex061?.*"), false),
            (std::vector<std::string>{"ex0610.txt", "ex0612.log", "ex0613.log"}));
}

TEST(FileSearchTest, OnlyStarAndQuestionMarkAreWildcards) {
  TempDir dir;
  WriteFile(dir / "log[1].txt", "x");
  WriteFile(dir / "log1.txt", "x");
  WriteFile(dir / "a\\b.txt", "x");
  EXPECT_EQ(Names(FindEntries(dir / "log[1].txt")), (std::vector<std::string>{"log[1].txt"}));
  EXPECT_EQ(Names(FindEntries(dir / "a\\b.*")), (std::vector<std::string>{"a\\b.txt"}));
  EXPECT_TRUE(MaskMatches("*", ".hidden"));
  EXPECT_FALSE(MaskMatches("*.log", "a.LOG"));
}

TEST(FileSearchTest, DotEntriesDirectoriesAndMisses) {
  TempDir dir;
  std::filesystem::create_directory(dir / "logs");
  // A star finds "." and "..", as a wildcard search does; callers skip them.
  const auto all = Names(FindEntries(dir / "logs/*"));
  EXPECT_EQ(all, (std::vector<std::string>{".", ".."}));
  // A directory without mask finds the directory itself.
  const auto self = FindEntries(dir / "logs");
  ASSERT_EQ(self.size(), 1u);
  EXPECT_EQ(self[0].name, "logs");
  EXPECT_TRUE(self[0].isDirectory);
  EXPECT_TRUE(FindEntries(dir / "logs/").empty());
  EXPECT_TRUE(FindEntries(dir / "missing/*.log").empty());
  EXPECT_TRUE(FindEntries("").empty());
}

TEST(FileSearchTest, BareMaskSearchesTheCurrentDirectory) {
  TempDir dir;
  WriteFile(dir / "here.log", "x");
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  const auto found = Names(FindEntries("*.log"));
  std::filesystem::current_path(old);
  EXPECT_EQ(found, (std::vector<std::string>{"here.log"}));
}

}  // namespace
}  // namespace kestrune::test
