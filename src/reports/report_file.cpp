#include "reports/report_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace kestrune {

WriteResult WriteReportFile(const std::string& path, std::string_view content) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return WriteResult::CannotCreate;
  bool ok = true;
  const char* data = content.data();
  std::size_t left = content.size();
  while (ok && left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
    } else if (n == 0) {
      ok = false;
    } else {
      data += n;
      left -= static_cast<std::size_t>(n);
    }
  }
  // A full disk may only show when the data is flushed. Special files (a pipe, a
  // device) that cannot be synchronised are not an error.
  if (ok && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) ok = false;
  if (::close(fd) != 0 && errno != EINTR) ok = false;
  return ok ? WriteResult::Ok : WriteResult::CannotWrite;
}

}  // namespace kestrune
