#include "util/path.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace kestrune {
namespace {

namespace fs = std::filesystem;

class PathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "kestrune-path-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Touch(const std::string& path) { std::ofstream(path) << "x"; }

  std::string dir_;
};

TEST_F(PathTest, AddBackslash) {
  EXPECT_EQ(AddBackslash(""), "");
  EXPECT_EQ(AddBackslash("/"), "/");
  EXPECT_EQ(AddBackslash("/var/log"), "/var/log/");
  EXPECT_EQ(AddBackslash("/var/log/"), "/var/log/");
  EXPECT_EQ(AddBackslash("logs"), "logs/");
}

TEST_F(PathTest, ExtractDirOfExistingDirectories) {
  EXPECT_EQ(ExtractDir(dir_), dir_);
  EXPECT_EQ(ExtractDir(dir_ + "/"), dir_);
  EXPECT_EQ(ExtractDir(dir_ + "//"), dir_);
  EXPECT_EQ(ExtractDir("  " + dir_ + "  "), dir_);
  EXPECT_EQ(ExtractDir("/"), "/");
  EXPECT_EQ(ExtractDir(" / "), "/");
}

TEST_F(PathTest, ExtractDirOfFilesAndMasks) {
  Touch(dir_ + "/a.log");
  EXPECT_EQ(ExtractDir(dir_ + "/a.log"), dir_);
  EXPECT_EQ(ExtractDir(dir_ + "/*.log"), dir_);
  EXPECT_EQ(ExtractDir("/file.txt"), "/");
  EXPECT_EQ(ExtractDir("/*.log"), "/");
  EXPECT_EQ(ExtractDir("*.log"), "*.log");  // no separator: unchanged
  EXPECT_EQ(ExtractDir(""), "");
  EXPECT_EQ(ExtractDir(dir_ + "/missing/"), dir_ + "/missing");
}

TEST_F(PathTest, ExtractExt) {
  EXPECT_EQ(ExtractExt("/var/log/ex991231.log"), "log");
  EXPECT_EQ(ExtractExt("/a/b.tar.gz"), "gz");
  EXPECT_EQ(ExtractExt("/site.v2/index"), "");  // dot only in a directory name
  EXPECT_EQ(ExtractExt("/site.v2/img/logo.GIF"), "GIF");
  EXPECT_EQ(ExtractExt("name."), "");
  EXPECT_EQ(ExtractExt(".profile"), "profile");
  EXPECT_EQ(ExtractExt("/default.htm"), "htm");
  EXPECT_EQ(ExtractExt(""), "");
  fs::create_directory(dir_ + "/data.d");
  EXPECT_EQ(ExtractExt(dir_ + "/data.d"), "");  // an existing directory has none
  EXPECT_EQ(ExtractExt(dir_ + "/data.d/x.csv"), "csv");
}

TEST_F(PathTest, ExistsAndForceDirectory) {
  Touch(dir_ + "/f");
  EXPECT_TRUE(FileExists(dir_ + "/f"));
  EXPECT_FALSE(FileExists(dir_));
  EXPECT_FALSE(FileExists(dir_ + "/none"));
  EXPECT_FALSE(FileExists(""));
  EXPECT_TRUE(DirectoryExists(dir_));
  EXPECT_FALSE(DirectoryExists(dir_ + "/f"));
  EXPECT_FALSE(DirectoryExists(""));

  const std::string deep = dir_ + "/a/b/c";
  EXPECT_TRUE(ForceDirectory(deep));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(ForceDirectory(deep));  // existing is success
  EXPECT_TRUE(ForceDirectory(dir_ + "/a/b/d/"));
  EXPECT_TRUE(DirectoryExists(dir_ + "/a/b/d"));
  EXPECT_TRUE(ForceDirectory("/"));
  // A regular file in the way, or an empty name, fails without raising.
  EXPECT_FALSE(ForceDirectory(dir_ + "/f/sub"));
  EXPECT_FALSE(ForceDirectory(dir_ + "/f"));
  EXPECT_FALSE(ForceDirectory(""));
}

TEST_F(PathTest, ForceDirectoryRelativePath) {
  const fs::path old = fs::current_path();
  fs::current_path(dir_);
  EXPECT_TRUE(ForceDirectory("rel/one"));
  fs::current_path(old);
  EXPECT_TRUE(DirectoryExists(dir_ + "/rel/one"));
}

TEST_F(PathTest, AbsolutePathIsCleanedWithoutTheFileSystem) {
  const struct {
    const char* path;
    const char* clean;
  } cases[] = {
      {"/", "/"},
      {"//", "/"},
      {"/./", "/"},
      {"/a//b/", "/a/b"},
      {"/a/./b/.", "/a/b"},
      {"/a/b/../", "/a"},
      {"/a/./../b", "/b"},
      {"/a/b//../c", "/a/c"},
      {"/a/../..", "/.."},  // nothing left to take away: the ".." stays
      {"/a/b/../../../c", "/../c"},
      {"/a/.../..b/.c", "/a/.../..b/.c"},
      {"/a/ ./b", "/a/ ./b"},
  };
  for (const auto& c : cases) EXPECT_EQ(AbsolutePath(c.path), c.clean) << c.path;

  const fs::path old = fs::current_path();
  fs::create_directories(dir_ + "/x/y");
  fs::current_path(dir_ + "/x/y");
  const std::string cwd = fs::current_path().string();
  const std::string parent = fs::current_path().parent_path().string();
  EXPECT_EQ(AbsolutePath(""), cwd);
  EXPECT_EQ(AbsolutePath("./z/"), cwd + "/z");
  EXPECT_EQ(AbsolutePath("../z/../w.lnk"), parent + "/w.lnk");
  fs::current_path(old);
}

TEST_F(PathTest, ProgramDirHoldsTheRunningProgram) {
  const std::string dir = ProgramDir();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '/');
  EXPECT_EQ(dir.front(), '/');
  EXPECT_TRUE(FileExists(dir + "util_tests"));
}

}  // namespace
}  // namespace kestrune
