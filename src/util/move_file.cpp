#include "util/move_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "util/atomic_file.h"

namespace kestrune {

namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Copies `from` onto `to` through a temporary file in `to`'s folder.
bool CopyOnto(const std::string& from, const std::string& to, std::string& error) {
  Descriptor source(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  struct stat info {};
  if (source.get() < 0 || ::fstat(source.get(), &info) != 0) {
    error = std::strerror(errno);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    error = "not a regular file";
    return false;
  }
  AtomicFile copy(to);
  if (!copy.Open(error, info.st_mode & 07777)) return false;
  ::fchmod(copy.Descriptor(), info.st_mode & 07777);  // the umask applied at creation
  constexpr std::size_t kChunk = 1 << 20;
  const std::unique_ptr<char[]> buffer(new char[kChunk]);
  for (;;) {
    const ssize_t n = ::read(source.get(), buffer.get(), kChunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = std::strerror(errno);
      return false;
    }
    if (n == 0) break;
    if (!copy.Write(std::string_view(buffer.get(), static_cast<std::size_t>(n)), error))
      return false;
  }
  const struct timespec times[2] = {info.st_atim, info.st_mtim};
  ::futimens(copy.Descriptor(), times);
  return copy.Commit(error);
}

}  // namespace

bool MoveFile(const std::string& from, const std::string& to, std::string& error) {
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  if (errno != EXDEV) {
    error = std::strerror(errno);
    return false;
  }
  if (!CopyOnto(from, to, error)) return false;
  if (::unlink(from.c_str()) != 0) {
    // The original cannot go: take the copy back, so that the file is in one place only.
    error = std::strerror(errno);
    ::unlink(to.c_str());
    return false;
  }
  return true;
}

}  // namespace kestrune
