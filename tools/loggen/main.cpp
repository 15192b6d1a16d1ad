// kestrune-loggen: writes a deterministic sample web-server log (IIS W3C extended or UNIX
// common format) for demos, tests and benchmarks.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "log_generator.h"

namespace {

constexpr const char* kUsage =
    "Usage: kestrune-loggen [options]\n"
    "Writes a sample web-server log; the same options always give the same file.\n"
    "  --format iis|unix   IIS 4.0 W3C extended (default) or UNIX common format\n"
    "  --lines N           request lines (default 10000; IIS header lines come on top)\n"
    "  --visitors N        distinct client addresses (default 1000)\n"
    "  --pages N           distinct pages, at least 3 (default 300)\n"
    "  --start YYYY-MM-DD  first day (default 2026-03-01)\n"
    "  --days N            days the lines spread over (default 1)\n"
    "  --seed N            random seed (default 1)\n"
    "  --combined          UNIX: append the quoted referrer and user agent\n"
    "  --site-ip ADDRESS   IIS: the server address (default 192.168.1.10)\n"
    "  --zone +HHMM        UNIX: the time-stamp zone (default +0100)\n"
    "  --output FILE       write to FILE instead of standard output\n";

bool ParseNumber(const char* text, unsigned long long& value) {
  if (text == nullptr || *text == '\0' || *text == '-') return false;
  char* end = nullptr;
  value = std::strtoull(text, &end, 10);
  return *end == '\0';
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "kestrune-loggen: %s\n%s", message.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  kestrune::loggen::GeneratorOptions options;
  const char* output = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    unsigned long long number = 0;
    auto numberOption = [&](auto& field, unsigned long long max) {
      if (!ParseNumber(value, number) || number > max)
        return Fail("bad value for " + std::string(arg));
      field = static_cast<std::remove_reference_t<decltype(field)>>(number);
      ++i;
      return 0;
    };
    int error = 0;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--format") {
      if (value && std::strcmp(value, "iis") == 0)
        options.format = kestrune::loggen::LogFormat::kIIS;
      else if (value && std::strcmp(value, "unix") == 0)
        options.format = kestrune::loggen::LogFormat::kUnix;
      else
        return Fail("--format takes iis or unix");
      ++i;
    } else if (arg == "--lines") {
      error = numberOption(options.lines, 1ull << 40);
    } else if (arg == "--visitors") {
      error = numberOption(options.visitors, 100000000);
    } else if (arg == "--pages") {
      error = numberOption(options.pages, 100000000);
    } else if (arg == "--days") {
      error = numberOption(options.days, 100000);
    } else if (arg == "--seed") {
      error = numberOption(options.seed, ~0ull);
    } else if (arg == "--start") {
      if (!value || std::sscanf(value, "%d-%d-%d", &options.startYear, &options.startMonth,
                                &options.startDay) != 3)
        return Fail("--start takes a date YYYY-MM-DD");
      ++i;
    } else if (arg == "--combined") {
      options.combined = true;
    } else if (arg == "--site-ip" && value) {
      options.siteIP = value;
      ++i;
    } else if (arg == "--zone" && value) {
      options.zone = value;
      ++i;
    } else if (arg == "--output" && value) {
      output = value;
      ++i;
    } else {
      return Fail("unknown option " + std::string(arg));
    }
    if (error) return error;
  }
  const std::string problem = kestrune::loggen::ValidateOptions(options);
  if (!problem.empty()) return Fail(problem);

  std::FILE* out = output ? std::fopen(output, "wb") : stdout;
  if (!out) {
    std::fprintf(stderr, "kestrune-loggen: cannot write %s: %s\n", output, std::strerror(errno));
    return 1;
  }
  const bool ok = kestrune::loggen::GenerateLog(options, out);
  const bool closed = output ? std::fclose(out) == 0 : std::fflush(out) == 0;
  if (!ok || !closed) {
    std::fprintf(stderr, "kestrune-loggen: writing failed: %s\n", std::strerror(errno));
    return 1;
  }
  return 0;
}
