// report_bench: the HTML report of a model of 1,000,000 distinct pages, visitors and
// referrers. The log has one request per line from a visitor, for a page and from a
// referrer that no other line has, over seven days; ScanIISFile reads it into a fresh
// model (timed), then SaveReportAsHTML fills the template (timed, best of R) and the
// report's size is printed.
//
//   report_bench --write-log FILE [--lines N]
//   report_bench [--repeat R] LOG TEMPLATE OUT.html
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench_files.h"
#include "logfiles/log_readers.h"
#include "reports/report_writers.h"
#include "util/text.h"

using namespace kestrune;

namespace {

bool WriteLog(const std::string& path, std::uint64_t lines) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  std::fputs(
      "#Software: Microsoft Internet Information Server 4.0\r\n"
      "#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes time-taken cs-version "
      "cs(User-Agent) cs(Referer)\r\n",
      out);
  const char* agents[] = {"Mozilla/4.0+(compatible;+MSIE+6.0;+Windows+NT+5.1)",
                          "Mozilla/5.0+(X11;+U;+Linux+i686;+en-US;+rv:1.0)+Gecko+Build+7",
                          "Googlebot/2.1"};
  for (std::uint64_t i = 0; i < lines; ++i) {
    const std::uint64_t second = i * 7 * 86400 / std::max<std::uint64_t>(lines, 1);
    std::fprintf(out,
                 "2026-03-%02u %02u:%02u:%02u 10.%u.%u.%u GET /pages/p%llu.html %d %llu 10 "
                 "HTTP/1.1 %s http://ref%llu.example.com/from\r\n",
                 static_cast<unsigned>(9 + second / 86400),
                 static_cast<unsigned>(second / 3600 % 24), static_cast<unsigned>(second / 60 % 60),
                 static_cast<unsigned>(second % 60), static_cast<unsigned>(i >> 16 & 255),
                 static_cast<unsigned>(i >> 8 & 255), static_cast<unsigned>(i & 255),
                 static_cast<unsigned long long>(i), i % 50 == 0 ? 404 : 200,
                 static_cast<unsigned long long>(1000 + i % 70000), agents[i % 3],
                 static_cast<unsigned long long>(i));
  }
  return std::fclose(out) == 0;
}

int Usage() {
  std::fputs(
      "usage: report_bench --write-log FILE [--lines N]\n"
      "       report_bench [--repeat R] LOG TEMPLATE OUT.html\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  InitLocaleFromEnvironment();
  std::string writeLog, log, templatePath, out;
  std::uint64_t lines = 1000000;
  int repeat = 3;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool value = i + 1 < argc;
    if (arg == "--write-log" && value)
      writeLog = argv[++i];
    else if (arg == "--lines" && value)
      lines = std::strtoull(argv[++i], nullptr, 10);
    else if (arg == "--repeat" && value)
      repeat = std::atoi(argv[++i]);
    else if (arg.rfind("--", 0) == 0)
      return Usage();
    else if (log.empty())
      log = arg;
    else if (templatePath.empty())
      templatePath = arg;
    else if (out.empty())
      out = arg;
    else
      return Usage();
  }
  if (!writeLog.empty()) {
    const bool ok = WriteLog(writeLog, lines);
    if (!ok) std::fprintf(stderr, "report_bench: cannot write %s\n", writeLog.c_str());
    return ok ? 0 : 1;
  }
  if (out.empty() || repeat < 1) return Usage();

  clsImportStats stats;
  NullReaderHost host;
  ReaderContext context{stats, host, nullptr};
  double start = bench::Seconds();
  const int index = stats.slFiles.Add(log, std::make_unique<clsPFileObject>());
  stats.slFiles.Object(index)->LineCount = ScanIISFile(log, false, context);
  std::printf("import  %.3f s: %d pages, %d users, %d referrers, %d user agents, %zu days\n",
              bench::Seconds() - start, stats.slPages.Count(), stats.slUsers.Count(),
              stats.slReferers.Count(), stats.slUserAgents.Count(), stats.ByTime.DayCount());

  const PanelTexts panel = MakePanelTexts(stats);
  ReportSettings settings;
  const ReportInput input{panel, settings, stats};
  double best = 1e100, bestCpu = 1e100;
  for (int r = 0; r < repeat; ++r) {
    start = bench::Seconds();
    const double startCpu = bench::CpuSeconds();
    SaveReportAsHTML(templatePath, out, input);
    best = std::min(best, bench::Seconds() - start);
    bestCpu = std::min(bestCpu, bench::CpuSeconds() - startCpu);
  }
  std::printf("report  %.3f s (cpu %.3f s): %ju bytes\n", best, bestCpu,
              static_cast<std::uintmax_t>(std::filesystem::file_size(out)));
  return 0;
}
