#include "desktop/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <string_view>

#include "desktop/registry_text.h"
#include "util/atomic_file.h"
#include "util/file_lock.h"

namespace kestrune {
namespace {

using State = SettingsFileContent::State;

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Creates the missing directories of `dir`, each private to the user.
bool MakeDirectories(const std::string& dir) {
  struct stat st {};
  if (::stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  std::string parent = DirectoryOf(dir);
  if (parent != dir && !MakeDirectories(parent)) return false;
  return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

void SyncDirectory(const std::string& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// A temporary file of this store's writers: AtomicFile's ".<name>.XXXXXX.part", or
// "<name>.tmp-XXXXXX" as earlier versions of the program named them.
bool IsTemporaryOf(std::string_view entry, std::string_view name) {
  constexpr std::string_view kPart = ".part";
  constexpr std::string_view kOldMarker = ".tmp-";
  constexpr std::size_t kRandom = 6;
  if (entry.size() == 1 + name.size() + 1 + kRandom + kPart.size() && entry.front() == '.' &&
      entry.substr(1, name.size()) == name && entry[1 + name.size()] == '.' &&
      entry.ends_with(kPart)) {
    return true;
  }
  return entry.size() == name.size() + kOldMarker.size() + kRandom && entry.starts_with(name) &&
         entry.substr(name.size(), kOldMarker.size()) == kOldMarker;
}

// Called with the lock held, when no live writer can own a temporary file.
void RemoveStaleTemps(const std::string& path) {
  std::error_code ec;
  std::filesystem::path file(path);
  const std::string name = file.filename().string();
  std::filesystem::path dir = file.parent_path().empty() ? "." : file.parent_path();
  // Stepped with an error code, so that a folder changing meanwhile cannot throw.
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (IsTemporaryOf(it->path().filename().string(), name)) {
      std::error_code ignored;
      std::filesystem::remove(it->path(), ignored);
    }
  }
}

// Moves a damaged file out of the way under a new name; never replaces an existing file.
bool KeepAside(const std::string& path) {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  ::localtime_r(&now, &tm);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
  std::string base = path + ".damaged-" + stamp;
  for (int i = 0; i < 1000; ++i) {
    std::string target = i == 0 ? base : base + "-" + std::to_string(i);
    if (::link(path.c_str(), target.c_str()) == 0) {
      return ::unlink(path.c_str()) == 0 || errno == ENOENT;
    }
    if (errno == EEXIST) continue;
    // link() may be refused (a file system without hard links): fall back to rename,
    // after checking the name is free.
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0) continue;
    return ::rename(path.c_str(), target.c_str()) == 0;
  }
  return false;
}

bool ReplaceFile(const std::string& path, const Hive& hive) {
  AtomicFile file(path);
  std::string error;
  if (!file.Open(error, 0600) || ::fchmod(file.Descriptor(), 0600) != 0 ||
      !file.Write(FormatRegistryText(hive), error) || !file.Commit(error)) {
    return false;
  }
  SyncDirectory(DirectoryOf(path));
  return true;
}

}  // namespace

SettingsFileContent ReadSettingsFile(const std::string& path) {
  SettingsFileContent result;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    result.state = errno == ENOENT ? State::kMissing : State::kDamaged;
    return result;
  }
  std::string text;
  char buffer[16384];
  bool failed = false;
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failed = n < 0;
      break;
    }
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  if (failed) {
    result.state = State::kDamaged;
    return result;
  }
  ParsedRegistryText parsed = ParseRegistryText(text);
  result.state = parsed.skippedLines > 0 ? State::kDamaged : State::kOk;
  result.hive = std::move(parsed.hive);
  result.skippedLines = parsed.skippedLines;
  return result;
}

bool ChangeSettingsFile(const std::string& path,
                        const std::function<bool(Hive& hive, bool& modified)>& change,
                        const std::function<void(const SettingsFileContent&)>& seen) {
  if (path.empty() || !MakeDirectories(DirectoryOf(path))) return false;
  const FileLock lock = FileLock::OnLockFile(path + ".lock", FileLock::Wait::kYes);
  if (!lock.held()) return false;

  RemoveStaleTemps(path);
  SettingsFileContent content = ReadSettingsFile(path);
  seen(content);
  bool modified = false;
  if (!change(content.hive, modified)) return false;
  if (!modified && content.state != State::kDamaged) return true;
  if (content.state == State::kDamaged && !KeepAside(path)) return false;
  return ReplaceFile(path, content.hive);
  // The lock is released when `lock` goes.
}

}  // namespace kestrune
