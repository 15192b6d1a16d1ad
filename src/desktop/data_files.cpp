#include "desktop/data_files.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "util/path.h"

// The build names the data folder of its installation prefix; a build that does not
// gets the default prefix's.
#ifndef KESTRUNE_DATA_DIR
#define KESTRUNE_DATA_DIR "/usr/local/share/kestrune"
#endif

namespace kestrune {

namespace {

constexpr char kDefaultDataDirs[] = "/usr/local/share:/usr/share";

std::string Normal(const std::string& path) {
  return std::filesystem::path(path).lexically_normal().string();
}

std::string WithSlash(const std::string& dir) {
  return dir.empty() || dir.back() == '/' ? dir : dir + "/";
}

}  // namespace

std::vector<std::string> DataFileCandidates(const std::string& programDir, const std::string& name,
                                            const std::string& installDataDir,
                                            const std::string& xdgDataDirs) {
  // Beside the program the name is kept as the program has always formed it.
  std::vector<std::string> candidates{WithSlash(programDir) + name};
  const auto add = [&candidates](const std::string& path) {
    const std::string normal = Normal(path);
    if (std::find(candidates.begin(), candidates.end(), normal) == candidates.end())
      candidates.push_back(normal);
  };
  add(WithSlash(programDir) + "../share/kestrune/" + name);
  if (!installDataDir.empty()) add(WithSlash(installDataDir) + name);
  const std::string dirs = xdgDataDirs.empty() ? kDefaultDataDirs : xdgDataDirs;
  std::size_t from = 0;
  while (from <= dirs.size()) {
    const std::size_t colon = std::min(dirs.find(':', from), dirs.size());
    const std::string dir = dirs.substr(from, colon - from);
    if (!dir.empty() && dir.front() == '/') add(WithSlash(dir) + "kestrune/" + name);
    from = colon + 1;
  }
  return candidates;
}

std::string FindDataFile(const std::string& programDir, const std::string& name,
                         const std::string& installDataDir, const std::string& xdgDataDirs) {
  const std::vector<std::string> candidates =
      DataFileCandidates(programDir, name, installDataDir, xdgDataDirs);
  for (const std::string& candidate : candidates)
    if (FileExists(candidate)) return candidate;
  return candidates.front();
}

std::string InstalledDataDir() {
  return KESTRUNE_DATA_DIR;
}

std::string FindTemplateFile(const std::string& programDir) {
  const char* xdg = std::getenv("XDG_DATA_DIRS");
  return FindDataFile(programDir, "template.html", InstalledDataDir(), xdg != nullptr ? xdg : "");
}

}  // namespace kestrune
