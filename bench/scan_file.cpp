// scan_file: the reader alone on a given log, as the baseline of the whole-program and
// window figures: ScanIISFile or ScanUnixFile with AddStats into a fresh statistics
// object and a NullReaderHost, best of R runs, on one thread. With --run, the whole
// import run over the file instead (its directory lock, listing, log lines and panel
// refreshes going to a host that shows nothing): the run's cost beside the reader's.
//
//   scan_file [--format iis|unix] [--repeat R] [--run] FILE
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_files.h"
#include "bench_import.h"
#include "logfiles/log_readers.h"
#include "util/text.h"

using namespace kestrune;

int main(int argc, char** argv) {
  bench::ImportArgs args;
  if (!bench::ParseImportArgs(argc, argv, "scan_file [--format iis|unix] [--repeat R] [--run] FILE",
                              args))
    return 2;
  const std::string& file = args.target;
  const char* format = args.iis ? "iis" : "unix";
  InitLocaleFromEnvironment();

  double best = 1e100;
  int lines = 0;
  for (int r = 0; r < args.repeat; ++r) {
    clsImportStats stats;
    NullReaderHost host;
    ReaderContext context{stats, host};
    const double start = bench::Seconds();
    if (args.run) {
      bench::ImportOneFile(stats, file, args.iis);
      lines = stats.slFiles.Count() == 1 ? stats.slFiles.Object(0)->LineCount : 0;
    } else {
      lines = args.iis ? ScanIISFile(file, false, context)
                       : ScanUnixFile(file, "192.168.1.10", false, context);
    }
    best = std::min(best, bench::Seconds() - start);
  }
  if (lines == 0) {
    std::fprintf(stderr, "scan_file: %s has no lines\n", file.c_str());
    return 1;
  }
  std::printf("scan_file %s%s: %d lines in %.3f s (%.0f lines/s, best of %d)\n", format,
              args.run ? " (import run)" : "", lines, best, lines / best, args.repeat);
  return 0;
}
