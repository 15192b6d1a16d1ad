#include "util/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace kestrune {

FileLock::FileLock(int fd, Wait wait) : fd_(fd) {
  if (fd_ < 0) return;
  int rc;
  do {
    rc = ::flock(fd_, LOCK_EX | (wait == Wait::kYes ? 0 : LOCK_NB));
  } while (rc != 0 && errno == EINTR);
  if (rc == 0) {
    state_ = State::kHeld;
    return;
  }
  state_ = errno == EWOULDBLOCK ? State::kBusy : State::kUnavailable;
  ::close(fd_);
  fd_ = -1;
}

FileLock FileLock::OnDirectory(const std::string& directory, Wait wait) {
  return FileLock(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), wait);
}

FileLock FileLock::OnLockFile(const std::string& path, Wait wait) {
  return FileLock(::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600), wait);
}

FileLock::FileLock(FileLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), state_(std::exchange(other.state_, State::kUnavailable)) {}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);  // closing the last descriptor releases the lock
}

}  // namespace kestrune
