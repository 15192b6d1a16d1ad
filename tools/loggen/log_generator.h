// The sample-log generator: deterministic, realistic web-server logs for demos, tests and
// benchmarks. The same options (seed included) always give the same bytes. Visitors come
// in sessions of several requests minutes apart, over a day's rhythm of busy and quiet
// hours; pages follow a popularity curve; statuses, methods, sizes, referrers and user
// agents are mixed as a small public site sees them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace kestrune::loggen {

enum class LogFormat {
  kIIS,   // IIS 4.0 W3C extended, with #Software, #Version, #Date and #Fields lines
  kUnix,  // UNIX common format (optionally with referrer and user agent appended)
};

struct GeneratorOptions {
  LogFormat format = LogFormat::kIIS;
  std::uint64_t lines = 10000;  // request lines (IIS header lines come on top)
  int visitors = 1000;          // distinct client addresses
  int pages = 300;              // distinct pages
  int startYear = 2026;
  int startMonth = 3;
  int startDay = 1;
  int days = 1;  // the lines spread over this many days
  std::uint64_t seed = 1;
  bool combined = false;  // UNIX: append quoted referrer and user agent
  std::string siteIP = "192.168.1.10";
  std::string zone = "+0100";  // UNIX time-stamp zone
};

// Checks the options; an empty text when they are usable, else what is wrong.
std::string ValidateOptions(const GeneratorOptions& options);

// Writes the log to `out`. Returns false when writing fails.
bool GenerateLog(const GeneratorOptions& options, std::FILE* out);

}  // namespace kestrune::loggen
