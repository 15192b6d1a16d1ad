#include "util/path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <vector>

#include "util/text.h"

namespace kestrune {
namespace {

bool StatPath(std::string_view path, struct stat& st) {
  if (path.empty()) return false;
  const std::string p(path);
  return ::stat(p.c_str(), &st) == 0;
}

}  // namespace

std::string AddBackslash(std::string_view path) {
  std::string result(path);
  if (!result.empty() && result.back() != '/') result += '/';
  return result;
}

bool FileExists(std::string_view path) {
  struct stat st;
  return StatPath(path, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(std::string_view path) {
  struct stat st;
  return StatPath(path, st) && S_ISDIR(st.st_mode);
}

std::string ExtractDir(std::string_view path) {
  const std::string_view trimmed = TrimBlanksView(path);
  if (DirectoryExists(trimmed)) {
    std::string_view dir = trimmed;
    while (dir.size() > 1 && dir.back() == '/') dir.remove_suffix(1);
    return std::string(dir);
  }
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return std::string(path);
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

std::string ExtractExt(std::string_view path) {
  if (DirectoryExists(path)) return {};
  const std::size_t slash = path.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  return std::string(name.substr(dot + 1));
}

bool ForceDirectory(std::string_view path) {
  std::string dir(path);
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (dir.empty()) return false;
  if (DirectoryExists(dir)) return true;
  // Create each missing level from the top down; a level that appears meanwhile is fine.
  for (std::size_t pos = dir.find('/', 1);; pos = dir.find('/', pos + 1)) {
    const std::string level = dir.substr(0, pos);
    if (!level.empty() && ::mkdir(level.c_str(), 0777) != 0 && errno != EEXIST) return false;
    if (pos == std::string::npos) break;
  }
  return DirectoryExists(dir);
}

std::string AbsolutePath(std::string_view path) {
  std::string full;
  if (path.empty() || path.front() != '/') {
    std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    full = cwd ? cwd.get() : "";
    full += '/';
  }
  full += path;

  std::vector<std::string_view> segments;
  const std::string_view text(full);
  for (std::size_t pos = 0; pos <= text.size();) {
    std::size_t end = text.find('/', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view segment = text.substr(pos, end - pos);
    pos = end + 1;
    if (segment.empty() || segment == ".") continue;
    if (segment == ".." && !segments.empty() && segments.back() != "..") {
      segments.pop_back();
    } else {
      segments.push_back(segment);
    }
  }
  std::string out;
  for (std::string_view segment : segments) {
    out += '/';
    out += segment;
  }
  return out.empty() ? "/" : out;
}

std::string ProgramDir() {
  std::unique_ptr<char, decltype(&std::free)> real(::realpath("/proc/self/exe", nullptr),
                                                   &std::free);
  if (!real) return "./";
  const std::string exe(real.get());
  const std::size_t slash = exe.rfind('/');
  return exe.substr(0, slash + 1);
}

}  // namespace kestrune
