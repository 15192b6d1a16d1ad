#include "analysis/stats_tables.h"

#include <vector>

#include "analysis/key_filter.h"
#include "stats/user_agent.h"

namespace kestrune {
namespace {

// The figures of clsBasicInfo, in the model's order, after the share.
std::vector<Column> BasicColumns() {
  return {
      {"Hits", CellKind::Count, TotalRule::Sum},
      {"Share %", CellKind::Share, TotalRule::None},
      {"Visits", CellKind::Count, TotalRule::Sum},
      {"Bytes", CellKind::Bytes, TotalRule::Sum},
      {"Time spent (s)", CellKind::Seconds, TotalRule::Sum},
      {"Time taken", CellKind::Seconds, TotalRule::Sum},
      {"Last date", CellKind::DateTime, TotalRule::Max},
  };
}

// Key (and leading texts) first, then the basic figures, then `extra`.
AnalysisTable MakeTable(std::vector<Column> leading, std::vector<Column> extra) {
  std::vector<Column> columns = std::move(leading);
  const int hits = static_cast<int>(columns.size());
  for (Column& c : BasicColumns()) columns.push_back(std::move(c));
  for (Column& c : extra) columns.push_back(std::move(c));
  return AnalysisTable(std::move(columns), hits);
}

// Writes the basic figures of `item` from column `first` on.
void PutBasic(AnalysisTable& table, std::size_t row, int first, const clsBasicInfo& item) {
  table.SetNumber(row, first, item.Hits);
  table.SetNumber(row, first + 2, item.Visits);
  table.SetNumber(row, first + 3, item.Bytes);
  table.SetNumber(row, first + 4, item.TimeSpent);
  table.SetNumber(row, first + 5, item.TimeTaken);
  table.SetNumber(row, first + 6, item.LastDate);
}

constexpr int kBasicCount = 7;

// The rows of a list whose objects are clsBasicInfo with no more figures of their own.
template <class T>
void AddBasicRows(AnalysisTable& table, const KeyedList<T>& list, std::string_view filter) {
  for (int i = 0; i < list.Count(); ++i) {
    if (!KeyPasses(list.Key(i), filter)) continue;
    const std::size_t row = table.AddRow();
    table.SetText(row, 0, list.Key(i));
    if (const T* item = list.Object(i)) PutBasic(table, row, 1, *item);
  }
}

}  // namespace

AnalysisTable StatsColumns(StatsSubject subject) {
  switch (subject) {
    case StatsSubject::Pages:
      return MakeTable({{"Page", CellKind::Text, TotalRule::None}},
                       {{"Entrances", CellKind::Count, TotalRule::Sum},
                        {"Exits", CellKind::Count, TotalRule::Sum},
                        {"GET", CellKind::Count, TotalRule::Sum},
                        {"HEAD", CellKind::Count, TotalRule::Sum},
                        {"POST", CellKind::Count, TotalRule::Sum},
                        {"OPTIONS", CellKind::Count, TotalRule::Sum},
                        {"Other methods", CellKind::Count, TotalRule::Sum},
                        {"Last hit", CellKind::DateTime, TotalRule::Max}});
    case StatsSubject::Visitors:
      return MakeTable({{"Visitor", CellKind::Text, TotalRule::None}},
                       {{"Robot", CellKind::Flag, TotalRule::None},
                        {"Last was download", CellKind::Flag, TotalRule::None}});
    case StatsSubject::Referrers:
      return MakeTable({{"Referrer", CellKind::Text, TotalRule::None}}, {});
    case StatsSubject::UserAgents:
      return MakeTable({{"User agent", CellKind::Text, TotalRule::None},
                        {"Name", CellKind::Text, TotalRule::None},
                        {"Browser", CellKind::Text, TotalRule::None},
                        {"OS", CellKind::Text, TotalRule::None}},
                       {});
    case StatsSubject::Errors:
      return MakeTable(
          {{"Page", CellKind::Text, TotalRule::None}, {"Status", CellKind::Code, TotalRule::None}},
          {});
    case StatsSubject::Downloads:
      return MakeTable({{"Extension", CellKind::Text, TotalRule::None}}, {});
    case StatsSubject::Files:
      return AnalysisTable({{"File", CellKind::Text, TotalRule::None},
                            {"Lines", CellKind::Count, TotalRule::Sum},
                            {"Share %", CellKind::Share, TotalRule::None}},
                           1);
  }
  return {};
}

AnalysisTable StatsTable(const clsImportStats& stats, StatsSubject subject,
                         std::string_view filter) {
  AnalysisTable table = StatsColumns(subject);
  switch (subject) {
    case StatsSubject::Pages: {
      const auto& list = stats.slPages;
      for (int i = 0; i < list.Count(); ++i) {
        if (!KeyPasses(list.Key(i), filter)) continue;
        const std::size_t row = table.AddRow();
        table.SetText(row, 0, list.Key(i));
        const clsPageObject* page = list.Object(i);
        if (!page) continue;
        PutBasic(table, row, 1, *page);
        int c = 1 + kBasicCount;
        for (double value :
             {double(page->Entrances), double(page->Exits), double(page->GET), double(page->HEAD),
              double(page->POST), double(page->OPTIONS), double(page->UNKNOWN), page->LastHit})
          table.SetNumber(row, c++, value);
      }
      break;
    }
    case StatsSubject::Visitors: {
      const auto& list = stats.slUsers;
      for (int i = 0; i < list.Count(); ++i) {
        if (!KeyPasses(list.Key(i), filter)) continue;
        const std::size_t row = table.AddRow();
        table.SetText(row, 0, list.Key(i));
        const clsUserObject* user = list.Object(i);
        if (!user) continue;
        PutBasic(table, row, 1, *user);
        table.SetNumber(row, 1 + kBasicCount, user->Robot ? 1 : 0);
        table.SetNumber(row, 2 + kBasicCount, user->LastWasDownload ? 1 : 0);
      }
      break;
    }
    case StatsSubject::Referrers:
      AddBasicRows(table, stats.slReferers, filter);
      break;
    case StatsSubject::UserAgents: {
      const auto& list = stats.slUserAgents;
      for (int i = 0; i < list.Count(); ++i) {
        if (!KeyPasses(list.Key(i), filter)) continue;
        const std::size_t row = table.AddRow();
        table.SetText(row, 0, list.Key(i));
        UserAgentClass kind = ClassifyUserAgent(list.Key(i));
        table.SetText(row, 1, std::move(kind.Name));
        table.SetText(row, 2, std::move(kind.Browser));
        table.SetText(row, 3, std::move(kind.OS));
        if (const clsUserAgentObject* agent = list.Object(i)) PutBasic(table, row, 4, *agent);
      }
      break;
    }
    case StatsSubject::Errors: {
      const auto& list = stats.slErrors;
      for (int i = 0; i < list.Count(); ++i) {
        if (!KeyPasses(list.Key(i), filter)) continue;
        const std::size_t row = table.AddRow();
        table.SetText(row, 0, list.Key(i));
        const clsErrorObject* error = list.Object(i);
        if (!error) continue;
        table.SetNumber(row, 1, error->StatusCode);
        PutBasic(table, row, 2, *error);
      }
      break;
    }
    case StatsSubject::Downloads:
      AddBasicRows(table, stats.slDownloadExt, filter);
      break;
    case StatsSubject::Files: {
      const auto& list = stats.slFiles;
      for (int i = 0; i < list.Count(); ++i) {
        if (!KeyPasses(list.Key(i), filter)) continue;
        const std::size_t row = table.AddRow();
        table.SetText(row, 0, list.Key(i));
        if (const clsPFileObject* file = list.Object(i)) table.SetNumber(row, 1, file->LineCount);
      }
      break;
    }
  }
  return table;
}

}  // namespace kestrune
