#include "reports/report_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "util/atomic_file.h"

namespace kestrune {

namespace {

// Writes into an existing special file (a device, a pipe) the way any program would,
// but not through a link put in its place meanwhile.
WriteResult WriteInPlace(const std::string& path, std::string_view content) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return errno == ELOOP ? WriteResult::SymbolicLink : WriteResult::CannotCreate;
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

}  // namespace

WriteResult WriteReportFile(const std::string& path, std::string_view content) {
  struct stat existing {};
  const bool exists = ::lstat(path.c_str(), &existing) == 0;
  if (exists && S_ISLNK(existing.st_mode)) return WriteResult::SymbolicLink;
  if (exists && !S_ISREG(existing.st_mode)) return WriteInPlace(path, content);

  AtomicFile file(path);
  std::string error;
  const auto failed = [&error](WriteResult otherwise) {
    return error == kSymbolicLinkReason ? WriteResult::SymbolicLink : otherwise;
  };
  if (!file.Open(error)) return failed(WriteResult::CannotCreate);
  if (exists) ::fchmod(file.Descriptor(), existing.st_mode & 07777);
  if (!file.Write(content, error) || !file.Commit(error)) return failed(WriteResult::CannotWrite);
  return WriteResult::Ok;
}

std::string ReportTargetRefusal(const std::string& path) {
  return IsSymbolicLink(path) ? FileErrorText(path, kSymbolicLinkReason) : std::string();
}

}  // namespace kestrune
