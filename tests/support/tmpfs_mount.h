// A small, real file system of its own for a test: a tmpfs of a given size mounted on a
// fresh directory, unmounted and removed afterwards. Mounting needs root (CAP_SYS_ADMIN)
// in a namespace that allows it; where the machine refuses, Mounted() is false and
// Reason() says why, for the test's GTEST_SKIP message.
#pragma once

#include <stdlib.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace kestrune::test {

class TmpfsMount {
 public:
  // `inodes`: how many files and folders it can hold at most (0: the default).
  explicit TmpfsMount(unsigned sizeKiB, unsigned inodes = 0) {
    char pattern[] = "/tmp/kestrune-tmpfs-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
      reason_ = std::string("cannot make a mount point: ") + std::strerror(errno);
      return;
    }
    path_ = pattern;
    std::string options = "size=" + std::to_string(sizeKiB) + "k,mode=0777";
    if (inodes > 0) options += ",nr_inodes=" + std::to_string(inodes);
    if (::mount("tmpfs", path_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
      reason_ = "this machine refuses to mount a tmpfs (" + std::string(std::strerror(errno)) +
                "); a second file system needs root with CAP_SYS_ADMIN";
      return;
    }
    mounted_ = true;
  }
  ~TmpfsMount() {
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
    if (!path_.empty()) ::rmdir(path_.c_str());
  }
  TmpfsMount(const TmpfsMount&) = delete;
  TmpfsMount& operator=(const TmpfsMount&) = delete;

  bool Mounted() const { return mounted_; }
  const std::string& Reason() const { return reason_; }
  // The mount point, without a trailing separator.
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::string reason_;
  bool mounted_ = false;
};

}  // namespace kestrune::test
