#include "desktop/file_search.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "util/text.h"

namespace kestrune {

namespace {

// The mask as an fnmatch pattern in which only "*" and "?" stay special.
std::string FnmatchPattern(std::string_view mask) {
  std::string out;
  out.reserve(mask.size());
  for (char c : mask) {
    if (c == '[' || c == ']' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool NameLess(const FoundEntry& a, const FoundEntry& b) {
  const std::size_t n = std::min(a.name.size(), b.name.size());
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = FoldByte(static_cast<unsigned char>(a.name[i]));
    const unsigned char y = FoldByte(static_cast<unsigned char>(b.name[i]));
    if (x != y) return x < y;
  }
  if (a.name.size() != b.name.size()) return a.name.size() < b.name.size();
  return a.name < b.name;  // names equal but for case: a fixed order all the same
}

}  // namespace

bool MaskMatches(std::string_view mask, std::string_view name) {
  return ::fnmatch(FnmatchPattern(mask).c_str(), std::string(name).c_str(), 0) == 0;
}

std::vector<FoundEntry> FindEntries(std::string_view pattern) {
  std::vector<FoundEntry> found;
  if (pattern.empty()) return found;
  const std::size_t slash = pattern.rfind('/');
  std::string dir;
  std::string mask;
  if (slash == std::string_view::npos) {
    dir = ".";
    mask = std::string(pattern);
  } else {
    dir = slash == 0 ? std::string("/") : std::string(pattern.substr(0, slash));
    mask = std::string(pattern.substr(slash + 1));
  }
  if (mask.empty()) return found;  // "dir/" names no entry

  const std::string prefix = dir == "/" ? dir : dir + "/";
  std::unique_ptr<DIR, int (*)(DIR*)> handle(::opendir(dir.c_str()), &::closedir);
  if (!handle) return found;
  while (const dirent* e = ::readdir(handle.get())) {
    const std::string name = e->d_name;
    if (!MaskMatches(mask, name)) continue;
    bool isDir = false;
    if (e->d_type == DT_DIR) {
      isDir = true;
    } else if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
      isDir = IsDirectory(prefix + name);
    }
    found.push_back(FoundEntry{name, isDir});
  }
  std::sort(found.begin(), found.end(), NameLess);
  return found;
}

}  // namespace kestrune
