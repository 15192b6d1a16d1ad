// What the reader benchmarks share: generating their sample logs with the loggen code,
// and a monotonic clock.
#pragma once

#include <sys/stat.h>
#include <time.h>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "log_generator.h"

namespace kestrune::bench {

inline double Seconds() {
  using Clock = std::chrono::steady_clock;
  return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

// CPU seconds used by this process so far (on a shared machine less swayed by the load
// than the wall clock).
inline double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The size of `path` in MiB (0 when it cannot be read).
inline double FileMiB(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? static_cast<double>(info.st_size) / (1 << 20) : 0;
}

// Writes a sample log of `lines` request lines to `path`; false when writing fails.
inline bool GenerateFile(const std::string& path, loggen::LogFormat format, std::uint64_t lines,
                         int visitors, int pages) {
  loggen::GeneratorOptions options;
  options.format = format;
  options.lines = lines;
  options.visitors = visitors;
  options.pages = pages;
  options.days = 7;
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  const bool ok = loggen::GenerateLog(options, out);
  return std::fclose(out) == 0 && ok;
}

// The command line of the programs that time one import of a given log or folder:
// [--format iis|unix] [--repeat R] [--run] TARGET. False (after the usage on stderr) when
// it is not of that form.
struct ImportArgs {
  bool iis = true;
  int repeat = 3;
  bool run = false;  // --run: the whole import run, not the reader alone
  std::string target;
};

inline bool ParseImportArgs(int argc, char** argv, const char* usage, ImportArgs& args) {
  bool ok = true;
  for (int i = 1; i < argc && ok; ++i) {
    const std::string arg = argv[i];
    if (arg == "--format" && i + 1 < argc) {
      const std::string format = argv[++i];
      args.iis = format == "iis";
      ok = args.iis || format == "unix";
    } else if (arg == "--repeat" && i + 1 < argc) {
      args.repeat = std::atoi(argv[++i]);
    } else if (arg == "--run") {
      args.run = true;
    } else if (args.target.empty() && arg.rfind("--", 0) != 0) {
      args.target = arg;
    } else {
      ok = false;
    }
  }
  ok = ok && !args.target.empty() && args.repeat >= 1;
  if (!ok) std::fprintf(stderr, "usage: %s\n", usage);
  return ok;
}

}  // namespace kestrune::bench
