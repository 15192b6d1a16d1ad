#include "util/stale_temps.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "util/atomic_file.h"

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::system_clock;
using std::chrono::hours;
using std::chrono::seconds;

// Names of AtomicFile's form, and names that only look like it.
const char* const kTemporaryNames[] = {
    ".access.log.a1B2c3.part",
    ".ex261201.log.gz.Q9q9Q9.part",
    ".stats.html.000000.part",
    ".x.zzzzzz.part",
    "..hidden.abcdef.part",
    ".name.with.dots.ABCDEF.part",
    ".Kestrune-09-Dec-2026 (2).xlsx.k3Lm9Z.part",
};
const char* const kOtherNames[] = {
    "access.log",
    "access.log.a1B2c3.part",      // no leading dot
    ".access.log.part",            // no random part
    ".access.log.abcde.part",      // five characters
    ".access.log.abcdefg.part",    // seven
    ".access.log.abc-ef.part",     // not a letter or digit
    ".access.log.abc.ef.part",     //
    ".access.log.abcdef.PART",     // another letter case
    ".access.log.abcdef.part.gz",  // something after it
    ".access.log.abcdef.partial",  //
    ".access.log.abcdef_part",     //
    "..abcdef.part",               // no name
    ".abcdef.part",                //
    ".part",                       //
    "settings.reg.tmp-abcdef",     // the settings store's own older naming
    ".kestrune.lock",              //
    "maintenance-log.txt",         //
};

class StaleTempsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "kestrune-stale-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  void Write(const std::string& name, const std::string& content = "data") {
    std::ofstream(Path(name), std::ios::binary) << content;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  bool Present(const std::string& name) const {
    struct stat info {};
    return ::lstat(Path(name).c_str(), &info) == 0;
  }
  // The file's last modification or status change, whichever is later.
  Clock::time_point Latest(const std::string& name) const {
    struct stat info {};
    EXPECT_EQ(::lstat(Path(name).c_str(), &info), 0) << name;
    const auto at = [](const timespec& t) {
      return Clock::time_point(std::chrono::duration_cast<Clock::duration>(
          seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec)));
    };
    return std::max(at(info.st_mtim), at(info.st_ctim));
  }
  // Long after every file here was written.
  static Clock::time_point Later() { return Clock::now() + hours(48); }

  std::string dir_;
};

TEST_F(StaleTempsTest, NamesOfTheTemporaryFormAreTold) {
  for (const char* name : kTemporaryNames) EXPECT_TRUE(IsAtomicTemporaryName(name)) << name;
  for (const char* name : kOtherNames) EXPECT_FALSE(IsAtomicTemporaryName(name)) << name;
  EXPECT_FALSE(IsAtomicTemporaryName("sub/.a.log.abcdef.part"));
}

TEST_F(StaleTempsTest, OldFilesOfTheFormGoAndEveryOtherNameStays) {
  std::vector<std::string> expected;
  for (const char* name : kTemporaryNames) {
    Write(name);
    expected.push_back(name);
  }
  for (const char* name : kOtherNames) Write(name, name);
  std::sort(expected.begin(), expected.end());

  EXPECT_EQ(RemoveStaleTemporaryFiles(dir_, kStaleTemporaryAge, Later()), expected);
  for (const char* name : kTemporaryNames) EXPECT_FALSE(Present(name)) << name;
  for (const char* name : kOtherNames) EXPECT_EQ(Read(name), name) << name;
}

TEST_F(StaleTempsTest, AFileYoungerThanTheAgeStays) {
  const std::string name = ".access.log.a1B2c3.part";
  Write(name);
  EXPECT_TRUE(RemoveStaleTemporaryFiles(dir_).empty());  // just written
  const Clock::time_point written = Latest(name);
  EXPECT_TRUE(RemoveStaleTemporaryFiles(dir_, hours(1), written + hours(1) - seconds(1)).empty());
  EXPECT_TRUE(Present(name));
  EXPECT_EQ(RemoveStaleTemporaryFiles(dir_, hours(1), written + hours(1)),
            std::vector<std::string>{name});
}

TEST_F(StaleTempsTest, AnOldModificationTimeAloneDoesNotMakeAFileStale) {
  // A copy in progress carries its original's modification time; its status change is
  // the copy's own.
  const std::string name = ".ex260301.log.Zz9Zz9.part";
  Write(name);
  const struct timespec old[2] = {{0, UTIME_OMIT}, {Clock::to_time_t(Clock::now() - hours(72)), 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, Path(name).c_str(), old, 0), 0);
  EXPECT_TRUE(RemoveStaleTemporaryFiles(dir_).empty());
  EXPECT_TRUE(Present(name));
}

TEST_F(StaleTempsTest, LinksFoldersAndSubfoldersAreLeftAlone) {
  // A link of the temporary form to a file of that form elsewhere: neither the link nor
  // what it names is removed, nor is the file written through.
  fs::create_directory(Path("sub"));
  Write("sub/.access.log.abcdef.part", "inside");
  ASSERT_EQ(::symlink("sub/.access.log.abcdef.part", Path(".link.log.abcdef.part").c_str()), 0);
  ASSERT_EQ(::symlink("sub", Path(".folder.abcdef.part").c_str()), 0);
  ASSERT_EQ(::symlink("/nonexistent", Path(".dangling.abcdef.part").c_str()), 0);
  fs::create_directory(Path(".dir.log.abcdef.part"));
  ASSERT_EQ(::mkfifo(Path(".fifo.log.abcdef.part").c_str(), 0600), 0);

  EXPECT_TRUE(RemoveStaleTemporaryFiles(dir_, kStaleTemporaryAge, Later()).empty());
  for (const char* name : {".link.log.abcdef.part", ".folder.abcdef.part", ".dangling.abcdef.part",
                           ".dir.log.abcdef.part", ".fifo.log.abcdef.part"})
    EXPECT_TRUE(Present(name)) << name;
  EXPECT_EQ(Read("sub/.access.log.abcdef.part"), "inside");
}

TEST_F(StaleTempsTest, TheFolderMayBeReachedThroughALink) {
  fs::create_directory(Path("logs"));
  Write("logs/.access.log.abcdef.part");
  ASSERT_EQ(::symlink("logs", Path("current").c_str()), 0);
  EXPECT_EQ(RemoveStaleTemporaryFiles(Path("current"), kStaleTemporaryAge, Later()),
            std::vector<std::string>{".access.log.abcdef.part"});
  EXPECT_FALSE(Present("logs/.access.log.abcdef.part"));
}

TEST_F(StaleTempsTest, AMissingFolderOrAFileRemovesNothing) {
  EXPECT_TRUE(RemoveStaleTemporaryFiles(Path("missing"), kStaleTemporaryAge, Later()).empty());
  Write("plain.txt");
  EXPECT_TRUE(RemoveStaleTemporaryFiles(Path("plain.txt"), kStaleTemporaryAge, Later()).empty());
}

TEST_F(StaleTempsTest, WhatAKilledWriterLeavesIsRemovedAndTheTargetKept) {
  Write("report.html", "the old report");
  // The writer dies between writing and its commit.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    AtomicFile file(Path("report.html"));
    std::string error;
    if (file.Open(error) && file.Write("half a new report", error)) ::_exit(0);
    ::_exit(1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir_))
    if (entry.path().filename() != "report.html") left.push_back(entry.path().filename());
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(RemoveStaleTemporaryFiles(dir_, kStaleTemporaryAge, Later()), left);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 1);
  EXPECT_EQ(Read("report.html"), "the old report");
}

}  // namespace
}  // namespace kestrune
