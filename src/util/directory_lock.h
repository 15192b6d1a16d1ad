// An exclusive lock on a directory, held while the object lives: flock(2) on the
// directory itself, so that every process that locks the same directory this way waits
// its turn, and a process that ends in any way (a crash included) releases its lock.
#pragma once

#include <string>

namespace kestrune {

class DirectoryLock {
 public:
  enum class State {
    kHeld,         // this object holds the lock
    kBusy,         // another holder has it (this object does not wait)
    kUnavailable,  // the directory cannot be opened or locked (missing, no lock support)
  };

  // Tries once to take the lock on `directory`, without waiting.
  explicit DirectoryLock(const std::string& directory);
  ~DirectoryLock();
  DirectoryLock(const DirectoryLock&) = delete;
  DirectoryLock& operator=(const DirectoryLock&) = delete;

  State state() const { return state_; }

 private:
  int fd_ = -1;
  State state_ = State::kUnavailable;
};

}  // namespace kestrune
