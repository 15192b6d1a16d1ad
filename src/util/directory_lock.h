// An exclusive lock on a directory, held while the object lives: flock(2) on the
// directory itself (util/file_lock.h), so that every process that locks the same
// directory this way waits its turn, and a process that ends in any way (a crash
// included) releases its lock.
#pragma once

#include <string>

#include "util/file_lock.h"

namespace kestrune {

class DirectoryLock {
 public:
  // kHeld, kBusy (another holder has it: this object does not wait) or kUnavailable
  // (the directory cannot be opened or locked: missing, no lock support).
  using State = FileLock::State;

  // Tries once to take the lock on `directory`, without waiting.
  explicit DirectoryLock(const std::string& directory);
  DirectoryLock(const DirectoryLock&) = delete;
  DirectoryLock& operator=(const DirectoryLock&) = delete;

  State state() const { return lock_.state(); }

 private:
  FileLock lock_;
};

}  // namespace kestrune
