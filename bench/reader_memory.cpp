// reader_memory: the peak resident memory of a whole-file import at two file sizes over
// the same visitors and pages. Each import runs in a child process of its own, whose
// peak RSS (getrusage through wait4) is reported beside that of a child doing nothing:
// the reader streams its files, so the peak follows the model, not the file size. Each
// log is imported plain and compressed with `gzip -6`, which streams through zlib.
//
//   reader_memory [--dir DIR] [--small N] [--large N] [--visitors N] [--pages N]
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "bench_files.h"
#include "logfiles/log_readers.h"
#include "util/text.h"

using namespace kestrune;

namespace {

// Runs `job` in a child; its peak RSS in KiB, or -1 when it failed.
long InChild(const std::function<int()>& job) {
  std::fflush(stdout);
  const pid_t pid = ::fork();
  if (pid == 0) std::_Exit(job());
  int status = 0;
  struct rusage usage {};
  if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0)
    return -1;
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = "/tmp";
  std::uint64_t sizes[2] = {1000000, 4000000};
  int visitors = 20000, pages = 2000;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--dir")
      dir = argv[i + 1];
    else if (arg == "--small")
      sizes[0] = std::strtoull(argv[i + 1], nullptr, 10);
    else if (arg == "--large")
      sizes[1] = std::strtoull(argv[i + 1], nullptr, 10);
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
  const long baseline = InChild([] { return 0; });
  std::printf("baseline child: peak RSS %.1f MiB\n", baseline / 1024.0);
  std::printf("%-10s %10s %10s %10s %8s %8s\n", "", "lines", "file MiB", "peak MiB", "users",
              "pages");

  for (const auto format : {loggen::LogFormat::kIIS, loggen::LogFormat::kUnix}) {
    const bool iis = format == loggen::LogFormat::kIIS;
    for (const std::uint64_t lines : sizes) {
      const std::string file = dir + "/kestrune-memory-" + std::to_string(::getpid()) + ".log";
      if (InChild([&] {
            return bench::GenerateFile(file, format, lines, visitors, pages) ? 0 : 1;
          }) < 0) {
        std::fprintf(stderr, "cannot write %s\n", file.c_str());
        return 1;
      }
      // Imports `path` in a child: its peak, the visitors and the pages; false on failure.
      const auto import = [&](const std::string& path, const char* label) {
        struct stat info {};
        ::stat(path.c_str(), &info);
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) return false;
        const long peak = InChild([&] {
          clsImportStats stats;
          NullReaderHost host;
          ReaderContext context{stats, host};
          if (iis)
            ScanIISFile(path, false, context);
          else
            ScanUnixFile(path, "192.168.1.10", false, context);
          const int counts[2] = {stats.slUsers.Count(), stats.slPages.Count()};
          return ::write(pipeFds[1], counts, sizeof counts) == sizeof counts ? 0 : 1;
        });
        int counts[2] = {0, 0};
        if (peak >= 0 && ::read(pipeFds[0], counts, sizeof counts) != sizeof counts) counts[0] = -1;
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        if (peak < 0) return false;
        std::printf("%-10s %10llu %10.1f %10.1f %8d %8d\n", label,
                    static_cast<unsigned long long>(lines), info.st_size / 1048576.0, peak / 1024.0,
                    counts[0], counts[1]);
        return true;
      };
      const std::string packed = file + ".gz";
      const std::string gzip = "gzip -6 -c '" + file + "' > '" + packed + "'";
      const bool ok = import(file, iis ? "IIS" : "UNIX") && std::system(gzip.c_str()) == 0 &&
                      import(packed, iis ? "IIS gzip" : "UNIX gzip");
      std::remove(file.c_str());
      std::remove(packed.c_str());
      if (!ok) {
        std::fprintf(stderr, "the import failed\n");
        return 1;
      }
    }
  }
  return 0;
}
