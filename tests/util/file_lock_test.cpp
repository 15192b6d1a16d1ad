#include "util/file_lock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>

#include "util/directory_lock.h"

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using State = FileLock::State;
using Wait = FileLock::Wait;

class FileLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "kestrune-lock-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string dir_;
};

TEST_F(FileLockTest, OneHolderAtATimeForFilesAndDirectories) {
  const std::string lockFile = dir_ + "/data.lock";
  const struct {
    const char* what;
    std::function<FileLock()> take;
  } targets[] = {
      {"lock file", [&] { return FileLock::OnLockFile(lockFile, Wait::kNo); }},
      {"directory", [&] { return FileLock::OnDirectory(dir_, Wait::kNo); }},
  };
  for (const auto& target : targets) {
    SCOPED_TRACE(target.what);
    {
      FileLock first = target.take();
      ASSERT_EQ(first.state(), State::kHeld);
      FileLock moved(std::move(first));  // the lock goes with the object
      EXPECT_EQ(first.state(), State::kUnavailable);
      EXPECT_EQ(target.take().state(), State::kBusy);
    }
    EXPECT_EQ(target.take().state(), State::kHeld);
  }
  struct stat st {};
  ASSERT_EQ(::stat(lockFile.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // The directory lock of the import run is the same lock.
  const FileLock held = FileLock::OnDirectory(dir_, Wait::kNo);
  EXPECT_EQ(DirectoryLock(dir_).state(), DirectoryLock::State::kBusy);
  EXPECT_EQ(DirectoryLock(dir_ + "/missing").state(), DirectoryLock::State::kUnavailable);
  EXPECT_EQ(FileLock::OnDirectory(lockFile, Wait::kNo).state(), State::kUnavailable);
}

TEST_F(FileLockTest, ASymbolicLinkAtTheLockFileIsNeverFollowed) {
  const std::string target = dir_ + "/elsewhere";
  const std::string lockFile = dir_ + "/data.lock";
  fs::create_symlink(target, lockFile);
  EXPECT_EQ(FileLock::OnLockFile(lockFile, Wait::kYes).state(), State::kUnavailable);
  EXPECT_FALSE(fs::exists(target));
  // Nor a link to an existing file.
  std::ofstream(target) << "precious";
  EXPECT_EQ(FileLock::OnLockFile(lockFile, Wait::kYes).state(), State::kUnavailable);
}

TEST_F(FileLockTest, AWaitingLockIsTakenOnceTheHolderLetsGo) {
  const std::string lockFile = dir_ + "/data.lock";
  std::optional<FileLock> holder(FileLock::OnLockFile(lockFile, Wait::kNo));
  ASSERT_TRUE(holder->held());
  std::atomic<bool> taken = false;
  std::thread waiter([&] {
    FileLock lock = FileLock::OnLockFile(lockFile, Wait::kYes);
    taken = lock.held();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(taken);
  holder.reset();
  waiter.join();
  EXPECT_TRUE(taken);
}

}  // namespace
}  // namespace kestrune
