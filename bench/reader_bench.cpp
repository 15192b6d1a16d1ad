// reader_bench: lines per second of ScanIISFile and ScanUnixFile with AddStats and a
// NullReaderHost, on one thread, over generated 1,000,000-line logs. Also shows what the
// reading and parsing alone cost, to tell the readers' share from the accumulation's,
// and the same reading and import of the log compressed with `gzip -6` (logrotate's
// level) beside the plain one.
//
//   reader_bench [--lines N] [--dir DIR] [--repeat R] [--visitors N] [--pages N]
#include <unistd.h>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench_files.h"
#include "logfiles/iis_line.h"
#include "logfiles/line_reader.h"
#include "logfiles/log_readers.h"
#include "logfiles/unix_line.h"
#include "util/text.h"

using namespace kestrune;

namespace {

struct Result {
  int lines = 0;
  double best = 1e100;
  double bestCpu = 1e100;  // this thread's processor time: what other load leaves alone
};

template <class Scan>
Result Measure(int repeat, Scan&& scan) {
  Result result;
  for (int r = 0; r < repeat; ++r) {
    const double start = bench::Seconds();
    const double startCpu = bench::CpuSeconds();
    result.lines = scan();
    result.best = std::min(result.best, bench::Seconds() - start);
    result.bestCpu = std::min(result.bestCpu, bench::CpuSeconds() - startCpu);
  }
  return result;
}

template <class Parser>
int ReadAndParse(const std::string& file, Parser& parser) {
  LineReader reader(file);
  reader.CountLines();
  LogEntry entry;
  std::string_view line;
  int lines = 0;
  while (reader.Next(line)) {
    parser.Parse(line, entry);
    ++lines;
  }
  return lines;
}

void Report(const char* what, const Result& result) {
  std::printf("  %-34s %9d lines  %7.3f s  %10.0f lines/s  (cpu %.3f s)\n", what, result.lines,
              result.best, result.lines / result.best, result.bestCpu);
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t lines = 1000000;
  std::string dir = "/tmp";
  int repeat = 3, visitors = 20000, pages = 2000;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--lines")
      lines = std::strtoull(argv[i + 1], nullptr, 10);
    else if (arg == "--dir")
      dir = argv[i + 1];
    else if (arg == "--repeat")
      repeat = std::atoi(argv[i + 1]);
    else if (arg == "--visitors")
      visitors = std::atoi(argv[i + 1]);
    else if (arg == "--pages")
      pages = std::atoi(argv[i + 1]);
    else {
      std::fprintf(stderr, "unknown option %s\n", argv[i]);
      return 2;
    }
  }
  InitLocaleFromEnvironment();

  for (const auto format : {loggen::LogFormat::kIIS, loggen::LogFormat::kUnix}) {
    const bool iis = format == loggen::LogFormat::kIIS;
    const std::string file = dir + "/kestrune-bench-" + (iis ? "iis" : "unix") + "-" +
                             std::to_string(::getpid()) + ".log";
    const double start = bench::Seconds();
    if (!bench::GenerateFile(file, format, lines, visitors, pages)) {
      std::fprintf(stderr, "cannot write %s\n", file.c_str());
      return 1;
    }
    std::printf("%s: %llu request lines, %d visitors, %d pages (generated in %.2f s)\n",
                iis ? "IIS" : "UNIX", static_cast<unsigned long long>(lines), visitors, pages,
                bench::Seconds() - start);

    Report("line reading (count + lines)", Measure(repeat, [&] {
             LineReader reader(file);
             reader.CountLines();
             std::string_view line;
             int n = 0;
             while (reader.Next(line)) ++n;
             return n;
           }));
    Report("reading + parsing", Measure(repeat, [&] {
             if (iis) {
               IISLineParser parser;
               parser.StartFile();
               return ReadAndParse(file, parser);
             }
             UnixLineParser parser("192.168.1.10");
             return ReadAndParse(file, parser);
           }));
    const auto scan = [&](const std::string& name) {
      clsImportStats stats;
      NullReaderHost host;
      ReaderContext context{stats, host};
      return iis ? ScanIISFile(name, false, context)
                 : ScanUnixFile(name, "192.168.1.10", false, context);
    };
    const Result plain = Measure(repeat, [&] { return scan(file); });
    Report(iis ? "ScanIISFile with AddStats" : "ScanUnixFile with AddStats", plain);

    const std::string packed = file + ".gz";
    const std::string command = "gzip -6 -c '" + file + "' > '" + packed + "'";
    if (std::system(command.c_str()) != 0) {
      std::fprintf(stderr, "cannot run %s\n", command.c_str());
      return 1;
    }
    std::printf("  (gzip -6: %.1f MiB to %.1f MiB)\n", bench::FileMiB(file),
                bench::FileMiB(packed));
    Report("line reading, gzip (lines only)", Measure(repeat, [&] {
             LineReader reader(packed);
             std::string_view line;
             int n = 0;
             while (reader.Next(line)) ++n;
             return n;
           }));
    const Result compressed = Measure(repeat, [&] { return scan(packed); });
    Report(iis ? "ScanIISFile with AddStats, gzip" : "ScanUnixFile with AddStats, gzip",
           compressed);
    std::printf("  compressed / plain: %.2f (wall), %.2f (cpu)\n", plain.best / compressed.best,
                plain.bestCpu / compressed.bestCpu);
    std::remove(packed.c_str());
    std::remove(file.c_str());
  }
  return 0;
}
