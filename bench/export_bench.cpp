// export_bench: the workbook export of a large model, headless, beside the import of the
// log that built it. The log is a kestrune-loggen IIS log (100,000 pages and 50,000
// visitors by default) followed by one request from each of 10,000 distinct user agents;
// the import run reads it into a fresh model (timed), and RunWorkbookExport writes the
// ten sheets to an .xlsx file (timed, best of R).
//
//   export_bench --write-log FILE [--lines N] [--pages P] [--visitors V] [--agents A]
//   export_bench [--import-only] [--repeat R] LOG [OUT.xlsx]
//
// --import-only stops after the import (its peak memory is the model's). Beside the
// export to the file, the ten sheets are also filled into a workbook that is not
// written ("sheets only"), which splits the time between the sheets and the writer.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_files.h"
#include "bench_import.h"
#include "export/export_run.h"
#include "export/workbook_model.h"
#include "util/text.h"

using namespace kestrune;

namespace {

class NoFileWriter : public WorkbookWriter {
 public:
  std::string Version() const override { return "none"; }
  void Write(const ModelWorkbook&, const std::string&) override {}
};

class NullExportHost : public ExportHost {
 public:
  void DisableAll() override {}
  void EnableAll() override {}
  void Status(const std::string&) override {}
  void InitProgress(int) override {}
  void SetProgress(int) override {}
  void EndProgress() override {}
  void ProcessMessages() override {}
};

// Appends one request from each of `agents` distinct user agents, under a fields line
// of its own.
bool AppendAgents(const std::string& file, int agents) {
  std::FILE* out = std::fopen(file.c_str(), "ab");
  if (!out) return false;
  std::fputs(
      "#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes time-taken cs-version "
      "cs(User-Agent) cs(Referer)\r\n",
      out);
  for (int i = 0; i < agents; ++i)
    std::fprintf(out,
                 "2026-03-07 23:59:59 10.0.0.1 GET /index.html 200 1000 10 HTTP/1.1 "
                 "Mozilla/4.0+(compatible;+MSIE+6.0;+Windows+NT+5.%d;+Agent+%d) -\r\n",
                 i % 3, i);
  return std::fclose(out) == 0;
}

int Usage() {
  std::fputs(
      "usage: export_bench --write-log FILE [--lines N] [--pages P] [--visitors V] [--agents A]\n"
      "       export_bench [--import-only] [--repeat R] LOG [OUT.xlsx]\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  InitLocaleFromEnvironment();
  std::string writeLog, log, out;
  std::uint64_t lines = 1000000;
  int pages = 100000, visitors = 50000, agents = 10000, repeat = 1;
  bool importOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool value = i + 1 < argc;
    if (arg == "--write-log" && value)
      writeLog = argv[++i];
    else if (arg == "--lines" && value)
      lines = std::strtoull(argv[++i], nullptr, 10);
    else if (arg == "--pages" && value)
      pages = std::atoi(argv[++i]);
    else if (arg == "--visitors" && value)
      visitors = std::atoi(argv[++i]);
    else if (arg == "--agents" && value)
      agents = std::atoi(argv[++i]);
    else if (arg == "--repeat" && value)
      repeat = std::atoi(argv[++i]);
    else if (arg == "--import-only")
      importOnly = true;
    else if (arg.rfind("--", 0) == 0)
      return Usage();
    else if (log.empty())
      log = arg;
    else if (out.empty())
      out = arg;
    else
      return Usage();
  }
  if (!writeLog.empty()) {
    const bool ok =
        bench::GenerateFile(writeLog, loggen::LogFormat::kIIS, lines, visitors, pages) &&
        AppendAgents(writeLog, agents);
    if (!ok) std::fprintf(stderr, "export_bench: cannot write %s\n", writeLog.c_str());
    return ok ? 0 : 1;
  }
  if (log.empty() || repeat < 1 || (!importOnly && out.empty())) return Usage();

  clsImportStats stats;
  double start = bench::Seconds();
  if (bench::ImportOneFile(stats, log, true).result != ImportResult::Completed) {
    std::fprintf(stderr, "export_bench: the import of %s failed\n", log.c_str());
    return 1;
  }
  const double import = bench::Seconds() - start;
  std::printf("import  %.3f s: %d pages, %d users, %d user agents, %d referrers, %d errors\n",
              import, stats.slPages.Count(), stats.slUsers.Count(), stats.slUserAgents.Count(),
              stats.slReferers.Count(), stats.slErrors.Count());
  if (importOnly) return 0;

  const PanelTexts panel = MakePanelTexts(stats);
  NullExportHost host;
  double best = 1e100, bestCpu = 1e100;
  for (int r = 0; r < repeat; ++r) {
    start = bench::Seconds();
    const double startCpu = bench::CpuSeconds();
    const ExportResult result =
        RunWorkbookExport(host, CreateSpreadsheetApplication, ExportSource{panel, stats},
                          WorkbookDestination::Replace(out));
    const double took = bench::Seconds() - start;
    bestCpu = std::min(bestCpu, bench::CpuSeconds() - startCpu);
    if (result.Failed()) {
      std::fprintf(stderr, "export_bench: %s%s\n", result.automationError.c_str(),
                   result.saveError.c_str());
      return 1;
    }
    best = std::min(best, took);
  }
  double sheets = 1e100;
  for (int r = 0; r < repeat; ++r) {
    ModelApplication application(std::make_unique<NoFileWriter>());
    start = bench::Seconds();
    ExportContext exportContext{application.WorkbooksAdd(), host};
    ExportStatistics(exportContext, ExportSource{panel, stats});
    sheets = std::min(sheets, bench::Seconds() - start);
  }
  std::printf("export  %.3f s (cpu %.3f s, best of %d) to %s; sheets only %.3f s\n", best, bestCpu,
              repeat, out.c_str(), sheets);
  return 0;
}
