#include "reports/report_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "util/atomic_file.h"

namespace kestrune {

namespace {

// Writes into an existing special file (a device, a pipe) the way any program would.
WriteResult WriteInPlace(const std::string& path, std::string_view content) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return WriteResult::CannotCreate;
  bool ok = true;
  while (ok && !content.empty()) {
    const ssize_t n = ::write(fd, content.data(), content.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
    } else {
      content.remove_prefix(static_cast<std::size_t>(n));
    }
  }
  if (::close(fd) != 0 && errno != EINTR) ok = false;
  return ok ? WriteResult::Ok : WriteResult::CannotWrite;
}

// The file a link names, so that replacing it keeps the link.
std::string ResolvedTarget(const std::string& path) {
  struct stat link {};
  if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
  return real ? std::string(real.get()) : path;
}

}  // namespace

WriteResult WriteReportFile(const std::string& path, std::string_view content) {
  const std::string target = ResolvedTarget(path);
  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode)) return WriteInPlace(target, content);

  AtomicFile file(target);
  std::string error;
  if (!file.Open(error)) return WriteResult::CannotCreate;
  if (exists) ::fchmod(file.Descriptor(), existing.st_mode & 07777);
  if (!file.Write(content, error) || !file.Commit(error)) return WriteResult::CannotWrite;
  return WriteResult::Ok;
}

}  // namespace kestrune
