// Moving within one file system and onto a real second one (a small tmpfs).
#include "util/move_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/tmpfs_mount.h"

namespace kestrune {
namespace {

namespace fs = std::filesystem;

class MoveFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "kestrune-move-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }

  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static void Write(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
  }
  static std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string dir_;
};

TEST_F(MoveFileTest, RenamesWithinAFileSystemAndReplacesTheTarget) {
  Write(dir_ + "/a.log", "new");
  fs::create_directory(dir_ + "/processed");
  Write(dir_ + "/processed/a.log", "old");
  std::string error;
  ASSERT_TRUE(MoveFile(dir_ + "/a.log", dir_ + "/processed/a.log", error)) << error;
  EXPECT_FALSE(fs::exists(dir_ + "/a.log"));
  EXPECT_EQ(Read(dir_ + "/processed/a.log"), "new");
}

TEST_F(MoveFileTest, FailuresNameTheReasonAndLeaveTheFile) {
  std::string error;
  EXPECT_FALSE(MoveFile(dir_ + "/missing.log", dir_ + "/x.log", error));
  EXPECT_EQ(error, "No such file or directory");
  Write(dir_ + "/a.log", "keep");
  Write(dir_ + "/processed", "a file where a folder should be");
  EXPECT_FALSE(MoveFile(dir_ + "/a.log", dir_ + "/processed/a.log", error));
  EXPECT_EQ(error, "Not a directory");
  EXPECT_EQ(Read(dir_ + "/a.log"), "keep");
}

TEST_F(MoveFileTest, AcrossFileSystemsCopiesWholeThenRemovesTheOriginal) {
  test::TmpfsMount disk(4096);
  if (!disk.Mounted()) GTEST_SKIP() << disk.Reason();
  std::string content;
  for (int i = 0; i < 200000; ++i) content += static_cast<char>('a' + i % 26);
  content += std::string(1 << 21, 'z');  // two chunks and more
  const std::string from = dir_ + "/a.log";
  Write(from, content);
  ::chmod(from.c_str(), 0640);
  const struct timespec times[2] = {{1000000000, 0}, {1234567890, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, from.c_str(), times, 0), 0);
  const std::string to = disk.Path() + "/a.log";
  Write(to, "an older copy");

  std::string error;
  ASSERT_TRUE(MoveFile(from, to, error)) << error;
  EXPECT_FALSE(fs::exists(from));
  EXPECT_EQ(Read(to), content);
  struct stat info {};
  ASSERT_EQ(::stat(to.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(info.st_mtim.tv_sec, 1234567890);
  EXPECT_EQ(Names(disk.Path()), std::vector<std::string>{"a.log"});
}

TEST_F(MoveFileTest, ACopyThatDoesNotFitLeavesBothSidesAsTheyWere) {
  test::TmpfsMount disk(64);
  if (!disk.Mounted()) GTEST_SKIP() << disk.Reason();
  const std::string from = dir_ + "/big.log";
  Write(from, std::string(256 * 1024, 'x'));
  const std::string to = disk.Path() + "/big.log";
  Write(to, "the earlier file");

  std::string error;
  EXPECT_FALSE(MoveFile(from, to, error));
  EXPECT_EQ(error, "No space left on device");
  EXPECT_EQ(Read(from), std::string(256 * 1024, 'x'));
  EXPECT_EQ(Read(to), "the earlier file");
  EXPECT_EQ(Names(disk.Path()), std::vector<std::string>{"big.log"});
}

}  // namespace
}  // namespace kestrune
