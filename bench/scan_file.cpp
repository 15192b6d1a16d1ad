// scan_file: the reader alone on a given log, as the baseline of the whole-program and
// window figures: ScanIISFile or ScanUnixFile with AddStats into a fresh statistics
// object and a NullReaderHost, best of R runs, on one thread.
//
//   scan_file [--format iis|unix] [--repeat R] FILE
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_files.h"
#include "logfiles/log_readers.h"
#include "util/text.h"

using namespace kestrune;

int main(int argc, char** argv) {
  std::string format = "iis", file;
  int repeat = 3;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--format" && i + 1 < argc)
      format = argv[++i];
    else if (arg == "--repeat" && i + 1 < argc)
      repeat = std::atoi(argv[++i]);
    else if (file.empty() && arg.rfind("--", 0) != 0)
      file = arg;
    else {
      std::fprintf(stderr, "usage: scan_file [--format iis|unix] [--repeat R] FILE\n");
      return 2;
    }
  }
  if (file.empty() || (format != "iis" && format != "unix") || repeat < 1) {
    std::fprintf(stderr, "usage: scan_file [--format iis|unix] [--repeat R] FILE\n");
    return 2;
  }
  InitLocaleFromEnvironment();

  double best = 1e100;
  int lines = 0;
  for (int r = 0; r < repeat; ++r) {
    clsImportStats stats;
    NullReaderHost host;
    ReaderContext context{stats, host};
    const double start = bench::Seconds();
    lines = format == "iis" ? ScanIISFile(file, false, context)
                            : ScanUnixFile(file, "192.168.1.10", false, context);
    best = std::min(best, bench::Seconds() - start);
  }
  if (lines == 0) {
    std::fprintf(stderr, "scan_file: %s has no lines\n", file.c_str());
    return 1;
  }
  std::printf("scan_file %s: %d lines in %.3f s (%.0f lines/s, best of %d)\n", format.c_str(),
              lines, best, lines / best, repeat);
  return 0;
}
