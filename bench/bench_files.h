// What the reader benchmarks share: generating their sample logs with the loggen code,
// and a monotonic clock.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "log_generator.h"

namespace kestrune::bench {

inline double Seconds() {
  using Clock = std::chrono::steady_clock;
  return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
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

}  // namespace kestrune::bench
