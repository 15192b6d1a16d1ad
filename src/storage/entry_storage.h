// EntryStorage: AddToDb and its five lookups. Stores one accumulated entry as a tblLogs
// row referring to its page and visitor rows, and counts it in tblVisitors, tblRefs,
// tblDownloads and tblErrors. Each lookup keeps the row its query stands on and reuses
// it while the key stays the same (letter case counting), so a log sorted by time asks
// the database only when the visitor, page, referrer, download or error changes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "stats/add_stats.h"
#include "storage/tables.h"

namespace kestrune {

// The date an entry is stored under: "YYYY-MM-DD" optionally followed by a space and
// "hh:mm:ss" (each part read as a number); the current local date and time (to the
// millisecond) when that is no valid date and time.
TDateTime StorageDate(std::string_view dateText);

class EntryStorage : public EntryStore {
 public:
  // `stats` supplies the download and ignore lists; `repairText` converts every text by
  // the rule of odbc::RepairUtf8 before it reaches the database (for databases that hold
  // only valid UTF-8), so that keys compare as the database keeps them.
  EntryStorage(const clsImportStats& stats, Tables& tables, bool repairText);

  void AddToDb(const std::string& date, const std::string& siteIP, const std::string& visitor,
               const std::string& page, const std::string& referrer, const std::string& method,
               const std::string& httpVersion, std::uint32_t statuscode, std::uint32_t bytes,
               std::uint32_t timeTaken, std::uint32_t port) override;

  // The lookups take database texts (already cut and converted).
  std::int64_t LookupVisitor(const std::string& visitor);
  std::int64_t LookupPage(const std::string& page, const std::string& siteIP);
  std::int64_t LookupReferrer(const std::string& referrer, const std::string& siteIP,
                              TDateTime date);
  void UpdateDownloads(const std::string& page, const std::string& siteIP, TDateTime date);
  void UpdateErrors(const std::string& page, const std::string& siteIP, std::uint32_t status,
                    TDateTime date, const std::string& referrer);

  // Forgets the row of every query: after a rollback they may no longer exist.
  void CloseQueries();

 private:
  std::string DatabaseText(std::string_view text) const;

  // A query: open or not, its parameters (the key columns of `params`), and the row it
  // stands on.
  template <class Row>
  struct Query {
    bool open = false;
    Row params;
    std::optional<Row> row;
  };
  // tblRefs, tblDownloads, tblErrors: counts an entry in the row of `keyed`'s key
  // (Count += 1, Last := keyed.Last), or inserts `keyed` (Count 1) when there is none.
  template <class Row>
  void CountIn(Query<Row>& query, Table<Row>& table, const Row& keyed);

  const clsImportStats& stats_;
  Tables& tables_;
  bool repairText_;
  Query<VisitorRow> qryVisitors_;
  Query<PageRow> qryPages_;
  Query<RefRow> qryRefs_;
  Query<DownloadRow> qryDownloads_;
  Query<ErrorRow> qryErrors_;
  // The keys of the counting lookups, built in place entry after entry.
  RefRow refKey_;
  DownloadRow downloadKey_;
  ErrorRow errorKey_;
};

}  // namespace kestrune
