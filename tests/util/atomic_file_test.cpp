#include "util/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace kestrune {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "kestrune-atomic-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::size_t EntryCount() {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }

  std::string dir_;
};

TEST_F(AtomicFileTest, TargetAppearsOnlyAtCommitAndIsReplaced) {
  const std::string target = dir_ + "/report.txt";
  std::ofstream(target) << "old";
  AtomicFile file(target);
  std::string error;
  ASSERT_TRUE(file.Open(error)) << error;
  EXPECT_EQ(file.TempPath().rfind(dir_ + "/.report.txt.", 0), 0u);
  EXPECT_TRUE(file.TempPath().ends_with(".part"));
  ASSERT_TRUE(file.Write("new content", error));
  EXPECT_EQ(Read(target), "old");
  ASSERT_TRUE(file.Commit(error)) << error;
  EXPECT_EQ(Read(target), "new content");
  EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(AtomicFileTest, UncommittedFileLeavesNothingAndTargetIntact) {
  const std::string target = dir_ + "/report.txt";
  std::ofstream(target) << "old";
  {
    AtomicFile file(target);
    std::string error;
    ASSERT_TRUE(file.Open(error));
    ASSERT_TRUE(file.Write("half", error));
  }
  EXPECT_EQ(Read(target), "old");
  EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(AtomicFileTest, KeepNeverReplacesAnExistingTarget) {
  const std::string target = dir_ + "/ex261207.log";
  std::ofstream(target) << "mine";
  AtomicFile file(target);
  std::string error;
  ASSERT_TRUE(file.Open(error));
  ASSERT_TRUE(file.Write("fetched", error));
  EXPECT_FALSE(file.Commit(error, AtomicFile::Existing::Keep));
  EXPECT_EQ(error, "File exists");
  EXPECT_EQ(Read(target), "mine");
  EXPECT_EQ(EntryCount(), 1u);

  const std::string fresh = dir_ + "/ex261208.log";
  EXPECT_TRUE(WriteFileAtomically(fresh + ".tmp", "x", error));
  AtomicFile second(fresh);
  ASSERT_TRUE(second.Open(error));
  ASSERT_TRUE(second.Commit(error, AtomicFile::Existing::Keep)) << error;
  EXPECT_TRUE(fs::exists(fresh));
}

TEST_F(AtomicFileTest, MissingFolderIsAnError) {
  std::string error;
  AtomicFile missing(dir_ + "/no/such/file.txt");
  EXPECT_FALSE(missing.Open(error));
  EXPECT_EQ(error, "No such file or directory");
  EXPECT_FALSE(WriteFileAtomically(dir_ + "/no/file.txt", "x", error));
}

TEST_F(AtomicFileTest, ASymbolicLinkIsNeverWrittenThroughNorReplaced) {
  // A link to a file elsewhere, a link to a file not yet there (creating it would be as
  // bad), and a link that appears between Open and Commit.
  const std::string elsewhere = dir_ + "/elsewhere";
  fs::create_directory(elsewhere);
  std::ofstream(elsewhere + "/victim") << "precious";
  const struct {
    const char* name;
    const char* pointsTo;
    bool linkedAfterOpen;
  } cases[] = {
      {"toAFile", "elsewhere/victim", false},
      {"toNothingYet", "elsewhere/created", false},
      {"linkedAfterOpen", "elsewhere/victim", true},
  };
  for (const auto& c : cases) {
    for (const auto existing : {AtomicFile::Existing::Replace, AtomicFile::Existing::Keep}) {
      const std::string link = dir_ + "/" + c.name;
      fs::remove(link);
      if (!c.linkedAfterOpen) fs::create_symlink(c.pointsTo, link);
      AtomicFile file(link);
      std::string error;
      const bool opened = file.Open(error) && file.Write("overwritten", error);
      EXPECT_EQ(opened, c.linkedAfterOpen) << c.name;
      if (c.linkedAfterOpen) {
        fs::create_symlink(c.pointsTo, link);
        EXPECT_FALSE(file.Commit(error, existing)) << c.name;
      }
      EXPECT_EQ(error, kSymbolicLinkReason) << c.name;
      EXPECT_TRUE(fs::is_symlink(link)) << c.name;
      EXPECT_EQ(fs::read_symlink(link), c.pointsTo) << c.name;
      EXPECT_EQ(Read(elsewhere + "/victim"), "precious") << c.name;
      EXPECT_FALSE(fs::exists(elsewhere + "/created")) << c.name;
      file.Discard();
      EXPECT_EQ(EntryCount(), 2u) << c.name;  // the folder and the link: no temporary file
      fs::remove(link);
    }
  }
  fs::create_symlink("elsewhere/victim", dir_ + "/settings.reg");
  std::string error;
  EXPECT_FALSE(WriteFileAtomically(dir_ + "/settings.reg", "x", error));
  EXPECT_EQ(error, kSymbolicLinkReason);
  EXPECT_EQ(Read(elsewhere + "/victim"), "precious");
  EXPECT_EQ(FileErrorText("/srv/a.html", kSymbolicLinkReason),
            "/srv/a.html is a symbolic link; not written");
  EXPECT_EQ(FileErrorText("/srv/a.html", "Permission denied"), "/srv/a.html: Permission denied");
}

}  // namespace
}  // namespace kestrune
