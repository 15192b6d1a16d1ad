#include "logfiles/raw_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "util/error.h"
#include "util/text.h"

namespace kestrune {

RawFile::RawFile(const std::string& fileName, std::uint64_t limit)
    : fileName_(fileName), limit_(limit) {
  // Non-blocking, so that a FIFO under the name cannot hang the open; only regular
  // files are read.
  fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) Fail("Cannot open");
  struct stat info {};
  const bool statted = ::fstat(fd_, &info) == 0;
  if (!statted || !S_ISREG(info.st_mode)) {
    const int code = errno;
    ::close(fd_);
    fd_ = -1;
    throw Error("Cannot read " + ShownName() + ": " +
                (statted ? "not a regular file" : std::strerror(code)));
  }
  size_ = std::min(static_cast<std::uint64_t>(info.st_size), limit_);
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
}

RawFile::~RawFile() {
  if (fd_ >= 0) ::close(fd_);
}

RawFile::RawFile(RawFile&& other) noexcept
    : fileName_(std::move(other.fileName_)),
      fd_(other.fd_),
      size_(other.size_),
      limit_(other.limit_),
      position_(other.position_) {
  other.fd_ = -1;
}

std::string RawFile::ShownName() const {
  return EscapeControlCharacters(fileName_, false);
}

void RawFile::Fail(const char* what) const {
  throw Error(std::string(what) + " " + ShownName() + ": " + std::strerror(errno));
}

bool RawFile::GoesOnPastLimit() const {
  struct stat info {};
  return limit_ != kWholeFile && fd_ >= 0 && ::fstat(fd_, &info) == 0 &&
         static_cast<std::uint64_t>(info.st_size) > limit_;
}

std::size_t RawFile::Read(char* buffer, std::size_t size) {
  if (limit_ != kWholeFile)
    size = static_cast<std::size_t>(std::min<std::uint64_t>(size, limit_ - position_));
  if (size == 0) return 0;
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, size);
    if (n >= 0) {
      position_ += static_cast<std::uint64_t>(n);
      return static_cast<std::size_t>(n);
    }
    if (errno != EINTR) Fail("Cannot read");
  }
}

std::size_t RawFile::Peek(char* buffer, std::size_t size) {
  if (limit_ != kWholeFile) size = static_cast<std::size_t>(std::min<std::uint64_t>(size, limit_));
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::pread(fd_, buffer + got, size - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail("Cannot read");
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return got;
}

void RawFile::Rewind() {
  if (::lseek(fd_, 0, SEEK_SET) < 0) Fail("Cannot read");
  position_ = 0;
}

}  // namespace kestrune
