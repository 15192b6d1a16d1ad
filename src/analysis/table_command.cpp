#include "analysis/table_command.h"

#include "analysis/csv_writer.h"
#include "analysis/db_reader.h"
#include "analysis/stats_tables.h"
#include "util/text.h"

namespace kestrune {

const char* const kAnalysisWordsHelp =
    "  PERIOD=<period>  the period of the TABLE= words after it: <from>..<to> with\n"
    "                  ISO dates (2026-03-01..2026-03-07), one date, a year (2026), or\n"
    "                  yesterday, last7days, thismonth, lastmonth, thisyear, all\n"
    "                  (the default)\n"
    "  TABLE=<subject>:<file>  write the analysis table of <subject> as CSV to <file>,\n"
    "                  relative to the current directory: pages, visitors, days,\n"
    "                  status, errors, sites from the database of the DSN field for the\n"
    "                  period; stats-pages, stats-visitors, stats-referrers,\n"
    "                  stats-useragents, stats-errors, stats-downloads, stats-files from\n"
    "                  the statistics of this run\n";

namespace {

constexpr std::string_view kStatsPrefix = "stats-";
constexpr std::size_t kChunkRows = 10000;

TableResult FromStats(const TableTarget& target, const clsImportStats& stats) {
  TableResult result;
  AnalysisTable table = StatsTable(stats, target.statsSubject, "");
  table.Sort(table.HitsColumn(), true);
  const AnalysisTable totals = table.Totals();
  result.ok = WriteCsvFile(target.file, table, totals, result.error);
  if (result.ok) result.rows = table.RowCount();
  return result;
}

TableResult FromDatabase(const TableTarget& target, const Period& period, const std::string& dsn) {
  TableResult result;
  DatabaseReader reader;
  if (!reader.Open(dsn, result.error)) return result;
  DbRequest request;
  request.subject = target.dbSubject;
  request.period = period;
  if (target.dbSubject == DbSubject::Days) {
    request.sortColumn = 0;
    request.descending = false;
  }
  AnalysisTable totals;
  if (!reader.ReadTotals(request, totals, result.error)) return result;
  CsvWriter writer(target.file);
  if (!writer.Open(DbColumns(target.dbSubject), result.error)) return result;
  std::string writeError;
  const bool read = reader.ReadRows(
      request, kChunkRows, kChunkRows,
      [&](AnalysisTable&& chunk) {
        if (!writer.Write(chunk, totals, writeError)) return false;
        result.rows += chunk.RowCount();
        return true;
      },
      result.error);
  if (!writeError.empty()) {
    result.error = writeError;
    return result;
  }
  if (!read) return result;
  result.ok = writer.Commit(result.error);
  return result;
}

}  // namespace

std::optional<TableTarget> ParseTableTarget(std::string_view value, std::string& error) {
  const std::size_t colon = value.find(':');
  if (colon == std::string_view::npos || colon + 1 >= value.size()) {
    error = "no file: TABLE=<subject>:<file>";
    return std::nullopt;
  }
  const std::string_view subject = value.substr(0, colon);
  TableTarget target;
  target.file = std::string(value.substr(colon + 1));
  if (subject.size() > kStatsPrefix.size() &&
      SameText(subject.substr(0, kStatsPrefix.size()), kStatsPrefix)) {
    if (const auto s = StatsSubjectOf(subject.substr(kStatsPrefix.size()))) {
      target.database = false;
      target.statsSubject = *s;
      return target;
    }
  } else if (const auto d = DbSubjectOf(subject)) {
    target.dbSubject = *d;
    return target;
  }
  error = "unknown subject \"" + EscapeControlCharacters(subject, false) + "\"";
  return std::nullopt;
}

TableResult WriteAnalysisTable(const TableTarget& target, const Period& period,
                               const std::string& dsn, const clsImportStats& stats) {
  try {
    return target.database ? FromDatabase(target, period, dsn) : FromStats(target, stats);
  } catch (const std::exception& e) {
    TableResult result;
    result.error = e.what();
    return result;
  }
}

AnalysisWords::AnalysisWords(std::function<TDateTime()> clock) : clock_(std::move(clock)) {}

bool AnalysisWords::Handles(std::string_view word) {
  const std::string upper = UpperCase(word.substr(0, 7));
  return upper.rfind("PERIOD=", 0) == 0 || upper.rfind("TABLE=", 0) == 0;
}

std::string AnalysisWords::Run(std::string_view word, const std::string& dsn,
                               const clsImportStats& stats) {
  const std::string upper = UpperCase(word.substr(0, 7));
  if (upper.rfind("PERIOD=", 0) == 0) {
    const std::string_view text = word.substr(7);
    if (const auto period = ParsePeriod(text, clock_())) {
      period_ = *period;
      badPeriod_.clear();
      return "Period: " + period_.Text();
    }
    badPeriod_ = EscapeControlCharacters(text, false);
    return "Period not understood: " + badPeriod_;
  }
  const std::string_view value = word.substr(6);
  std::string error;
  const auto target = ParseTableTarget(value, error);
  const std::string name = EscapeControlCharacters(target ? target->file : value, false);
  TableResult result;
  if (!target) {
    result.error = error;
  } else if (!badPeriod_.empty()) {
    result.error = "the period \"" + badPeriod_ + "\" is not understood";
  } else {
    result = WriteAnalysisTable(*target, period_, dsn, stats);
  }
  if (result.ok) return "Table saved: " + name + " (" + std::to_string(result.rows) + " rows)";
  failed_ = true;
  return "Table not saved: " + name + " (" + result.error + ")";
}

}  // namespace kestrune
