// The analysis without a window, for scheduled jobs: the command words
//   PERIOD=<period>             the period of the TABLE= words after it (see period.h);
//                               until one is given: all
//   TABLE=<subject>:<file.csv>  writes the table of <subject> as CSV (csv_writer.h) to
//                               <file.csv>, relative to the current directory
// Subjects: pages, visitors, days, status, errors, sites read the database of the DSN
// field (whether or not "Add to database" is ticked) for the period; stats-pages,
// stats-visitors, stats-referrers, stats-useragents, stats-errors, stats-downloads,
// stats-files read the statistics in memory (what this run imported; the period does
// not apply to them). Rows come sorted by hits, most first (days by date), ties by key.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "analysis/period.h"
#include "analysis/subjects.h"
#include "stats/import_stats.h"

namespace kestrune {

struct TableTarget {
  bool database = true;
  DbSubject dbSubject = DbSubject::Pages;
  StatsSubject statsSubject = StatsSubject::Pages;
  std::string file;
};

// Reads "<subject>:<file>"; nothing, with `error` set, when the subject is unknown or
// the file name is missing.
std::optional<TableTarget> ParseTableTarget(std::string_view value, std::string& error);

struct TableResult {
  bool ok = false;
  std::string error;  // why the table was not written
  std::size_t rows = 0;
};

// Writes the table of `target` for `period`: from the database of `dsn`, or from `stats`.
TableResult WriteAnalysisTable(const TableTarget& target, const Period& period,
                               const std::string& dsn, const clsImportStats& stats);

// The two command words with their state (the period) for one run of the program. The
// window's CommandWord hands every word to Handles() and, when it says yes, to Run(),
// then writes the returned line to the maintenance log; Failed() says whether some
// TABLE= word could not write its file (the run's exit status is then 2).
class AnalysisWords {
 public:
  explicit AnalysisWords(std::function<TDateTime()> clock = NowLocal);

  // Whether `word` is a PERIOD= or a TABLE= word (letter case ignored).
  static bool Handles(std::string_view word);
  // Carries out `word`; the maintenance-log line that tells what happened.
  std::string Run(std::string_view word, const std::string& dsn, const clsImportStats& stats);

  bool Failed() const { return failed_; }
  const Period& CurrentPeriod() const { return period_; }

 private:
  std::function<TDateTime()> clock_;
  Period period_;
  std::string badPeriod_;  // the text of a PERIOD= word not understood (tables then fail)
  bool failed_ = false;
};

// The lines that --help gives for the two words.
extern const char* const kAnalysisWordsHelp;

}  // namespace kestrune
