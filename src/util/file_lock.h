// An exclusive flock(2) lock, held while the object lives: every process that locks the
// same file or directory this way waits its turn (or is told it is busy), and a process
// that ends in any way (a crash included) releases its lock.
//
// Two things can be locked: a directory itself, and a lock file beside the data it
// guards. A lock file is created (mode 0600) when missing and is never opened through a
// symbolic link: a link planted at its name makes the lock unavailable, and nothing is
// created where it points.
#pragma once

#include <string>

namespace kestrune {

class FileLock {
 public:
  enum class State {
    kHeld,         // this object holds the lock
    kBusy,         // another holder has it (only when not waiting)
    kUnavailable,  // cannot be opened or locked (missing, a link, no lock support)
  };
  enum class Wait { kNo, kYes };

  static FileLock OnDirectory(const std::string& directory, Wait wait);
  static FileLock OnLockFile(const std::string& path, Wait wait);

  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&&) = delete;
  FileLock(const FileLock&) = delete;
  ~FileLock();

  State state() const { return state_; }
  bool held() const { return state_ == State::kHeld; }

 private:
  FileLock(int fd, Wait wait);

  int fd_ = -1;
  State state_ = State::kUnavailable;
};

}  // namespace kestrune
