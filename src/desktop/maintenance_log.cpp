#include "desktop/maintenance_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace kestrune {

std::string MaintenanceLine(TDateTime when, std::string_view message) {
  std::string line = FormatShortDate(when);
  line += ' ';
  line += FormatHhNnSs(when);
  line += ' ';
  line += EscapeControlCharacters(message, true);
  line += "\r\n";
  return line;
}

bool AppendMaintenanceLine(const std::string& path, std::string_view message) {
  if (path.empty()) return false;
  const std::string line = MaintenanceLine(NowLocal(), message);
  // O_NOFOLLOW: a link planted in the log's place must not make the program append to
  // the file it names. O_NONBLOCK: a FIFO there must not hang the program.
  const int fd = ::open(path.c_str(),
                        O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
  if (fd < 0) return false;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return false;
  }
  // One write per line, so that lines from two processes never interleave.
  const char* data = line.data();
  std::size_t left = line.size();
  bool ok = true;
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0) ok = false;
  return ok;
}

}  // namespace kestrune
