#include "util/atomic_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

namespace kestrune {

namespace {

std::string SystemText(int error) {
  return std::strerror(error);
}

constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr std::size_t kRandomLength = 6;
constexpr std::string_view kTempEnd = ".part";

bool IsTempLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

std::string TempNameFor(const std::string& target, std::mt19937_64& random) {
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string suffix(kRandomLength, 'x');
  for (char& c : suffix) c = kLetters[random() % (sizeof kLetters - 1)];
  return folder + "." + name + "." + suffix + std::string(kTempEnd);
}

// Renames `from` onto `to` unless `to` exists. Falls back to link + unlink on file
// systems without RENAME_NOREPLACE.
int RenameNoReplace(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
#endif
  if (link(from.c_str(), to.c_str()) != 0) return errno;
  unlink(from.c_str());
  return 0;
}

}  // namespace

bool IsAtomicTemporaryName(std::string_view entry) {
  // "." name "." XXXXXX ".part", the name at least one character long.
  constexpr std::size_t kFixed = 1 + 1 + kRandomLength + kTempEnd.size();
  if (entry.size() < kFixed + 1 || entry.front() != '.' || !entry.ends_with(kTempEnd) ||
      entry.find('/') != std::string_view::npos)
    return false;
  const std::string_view random =
      entry.substr(entry.size() - kTempEnd.size() - kRandomLength, kRandomLength);
  for (const char c : random)
    if (!IsTempLetter(c)) return false;
  return entry[entry.size() - kTempEnd.size() - kRandomLength - 1] == '.';
}

bool IsSymbolicLink(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

std::string FileErrorText(const std::string& file, std::string_view reason) {
  if (reason == kSymbolicLinkReason) return file + " " + std::string(reason);
  return file + ": " + std::string(reason);
}

AtomicFile::AtomicFile(std::string target) : target_(std::move(target)) {}

AtomicFile::~AtomicFile() {
  if (!committed_) Discard();
}

bool AtomicFile::Open(std::string& error, unsigned mode) {
  Discard();
  if (IsSymbolicLink(target_)) {
    error = kSymbolicLinkReason;
    return false;
  }
  std::mt19937_64 random(std::random_device{}());
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = TempNameFor(target_, random);
    const int fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0) {
      fd_ = fd;
      temp_ = std::move(candidate);
      committed_ = false;
      return true;
    }
    if (errno != EEXIST) {
      error = SystemText(errno);
      return false;
    }
  }
  error = SystemText(EEXIST);
  return false;
}

bool AtomicFile::Write(std::string_view data, std::string& error) {
  if (fd_ < 0) {
    error = SystemText(EBADF);
    return false;
  }
  while (!data.empty()) {
    const ssize_t written = write(fd_, data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      error = SystemText(errno);
      return false;
    }
    if (written == 0) {
      error = SystemText(ENOSPC);
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool AtomicFile::Commit(std::string& error, Existing existing) {
  if (temp_.empty()) {
    error = SystemText(EBADF);
    return false;
  }
  int failure = 0;
  if (fd_ >= 0) {
    if (fsync(fd_) != 0) failure = errno;
    if (close(fd_) != 0 && failure == 0) failure = errno;
    fd_ = -1;
  }
  bool link = false;
  if (failure == 0) link = IsSymbolicLink(target_);
  if (failure == 0 && !link) {
    if (existing == Existing::Replace) {
      if (rename(temp_.c_str(), target_.c_str()) != 0) failure = errno;
    } else {
      failure = RenameNoReplace(temp_, target_);
    }
  }
  if (failure != 0 || link) {
    error = link ? std::string(kSymbolicLinkReason) : SystemText(failure);
    Discard();
    return false;
  }
  committed_ = true;
  temp_.clear();
  return true;
}

void AtomicFile::Discard() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (!temp_.empty()) unlink(temp_.c_str());
  temp_.clear();
}

bool WriteFileAtomically(const std::string& path, std::string_view content, std::string& error) {
  AtomicFile file(path);
  return file.Open(error) && file.Write(content, error) && file.Commit(error);
}

}  // namespace kestrune
