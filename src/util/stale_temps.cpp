#include "util/stale_temps.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "util/atomic_file.h"

namespace kestrune {

namespace {

using Clock = std::chrono::system_clock;

Clock::time_point TimeOf(const struct timespec& t) {
  return Clock::time_point(std::chrono::duration_cast<Clock::duration>(
      std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec)));
}

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

std::vector<std::string> RemoveStaleTemporaryFiles(const std::string& folder,
                                                   std::chrono::seconds minimumAge) {
  return RemoveStaleTemporaryFiles(folder, minimumAge, Clock::now());
}

std::vector<std::string> RemoveStaleTemporaryFiles(const std::string& folder,
                                                   std::chrono::seconds minimumAge,
                                                   Clock::time_point now) {
  std::vector<std::string> removed;
  // Every entry is looked at and removed relative to the folder opened once, so that a
  // folder renamed or replaced meanwhile cannot send a removal elsewhere.
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return removed;
  const std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
  if (!dir) {
    ::close(fd);
    return removed;
  }
  const Clock::time_point latest = now - minimumAge;
  while (const struct dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (!IsAtomicTemporaryName(name)) continue;
    struct stat info {};
    if (::fstatat(fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(info.st_mode)) continue;
    if (std::max(TimeOf(info.st_mtim), TimeOf(info.st_ctim)) > latest) continue;
    if (::unlinkat(fd, name.c_str(), 0) == 0) removed.push_back(name);
  }
  std::sort(removed.begin(), removed.end());
  return removed;
}

}  // namespace kestrune
