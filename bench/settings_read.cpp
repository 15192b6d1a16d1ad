// settings_read: reading a settings file with a long list, as LoadSettings does it (the
// three lists, the remembered paths and the single values: 21 reads of the whole file),
// for an intact file and for one with an unreadable line in the middle of the list.
//
//   settings_read [--entries N] [--repeat R] [--dir DIR]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_files.h"
#include "desktop/settings_store.h"

using namespace kestrune;

namespace {

const std::string kRoot = "Software\\Vantorel\\Kestrune";

std::string SettingsText(int entries, bool damaged) {
  std::string text = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + kRoot + "]\r\n\"IIS\"=\"Y\"\r\n";
  text += "\r\n[HKEY_CURRENT_USER\\" + kRoot + "\\IgnoreIP]\r\n";
  for (int i = 0; i < entries; ++i) {
    text += "\"10." + std::to_string(i / 65536) + "." + std::to_string(i / 256 % 256) + "." +
            std::to_string(i % 256) + "\"=\"\"\r\n";
    if (damaged && i == entries / 2) text += "\"broken\r\n";
  }
  return text;
}

// The reads of LoadSettings; returns the number of list entries seen.
std::size_t LoadLikeTheWindow(const std::string& path) {
  SettingsStore store(path);
  std::size_t seen = 0;
  for (const char* list : {"DownloadExt", "IgnoreExt", "IgnoreIP", "ImportPaths"})
    seen += store.RegValueNames(kRoot + "\\" + list).size();
  store.RegReadString(kRoot + "\\ImportPaths", "Last", "0");
  for (const char* name :
       {"DownloadExtFlag", "IgnoreExtFlag", "IgnoreIPFlag", "ImportMsg", "StartExcel", "IIS",
        "UNIX", "Move", "AddToDb", "SiteIP", "DSN", "FTPServer", "FTPLogDir", "FTPUsername",
        "FTPPassword", "RemoveDownloadedFiles"})
    store.RegReadString(kRoot, name, "");
  return seen;
}

}  // namespace

int main(int argc, char** argv) {
  int entries = 50000, repeat = 3;
  std::string dir = "/tmp";
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--entries") {
      entries = std::atoi(argv[i + 1]);
    } else if (arg == "--repeat") {
      repeat = std::atoi(argv[i + 1]);
    } else if (arg == "--dir") {
      dir = argv[i + 1];
    } else {
      std::fprintf(stderr, "usage: settings_read [--entries N] [--repeat R] [--dir DIR]\n");
      return 2;
    }
  }
  const std::string path = dir + "/settings_read-" + std::to_string(::getpid()) + ".reg";
  for (bool damaged : {false, true}) {
    const std::string text = SettingsText(entries, damaged);
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out || std::fwrite(text.data(), 1, text.size(), out) != text.size()) return 1;
    std::fclose(out);
    double best = 1e100;
    std::size_t seen = 0;
    for (int r = 0; r < repeat; ++r) {
      const double start = bench::Seconds();
      seen = LoadLikeTheWindow(path);
      best = std::min(best, bench::Seconds() - start);
    }
    std::printf(
        "%-8s %d entries (%.1f MiB): %zu read back, LoadSettings' 21 reads in %.3f s "
        "(%.1f ms a read), best of %d\n",
        damaged ? "damaged" : "intact", entries, text.size() / 1048576.0, seen, best,
        best * 1000 / 21, repeat);
  }
  std::remove(path.c_str());
  return 0;
}
