#include "storage/entry_storage.h"

#include "logfiles/text_ops.h"
#include "storage/odbc.h"
#include "storage/row_binding.h"
#include "util/text.h"

namespace kestrune {
namespace {

// Two storage dates this far apart (28.8 minutes) or more begin a new session.
constexpr double kSessionGap = 0.02;

bool ValidDateTime(int year, int month, int day, int hour, int minute, int second, int msec,
                   TDateTime& out) {
  TDateTime date = 0, time = 0;
  if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, minute, second, msec, time))
    return false;
  out = date + time;
  return true;
}

}  // namespace

TDateTime StorageDate(std::string_view dateText) {
  std::string_view rest = dateText;
  const int year = ToSignedNumber(SplitAt(rest, '-'));
  const int month = ToSignedNumber(SplitAt(rest, '-'));
  const int day = ToSignedNumber(SplitAt(rest, ' '));
  int hour = 0, minute = 0, second = 0;
  if (!rest.empty()) {
    hour = ToSignedNumber(SplitAt(rest, ':'));
    minute = ToSignedNumber(SplitAt(rest, ':'));
    second = ToSignedNumber(rest);
  }
  TDateTime value = 0;
  if (ValidDateTime(year, month, day, hour, minute, second, 0, value)) return value;
  // Encoded from its parts, so that it reads back from the database as the same value.
  const TDateTime now = NowLocal();
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
  DecodeDate(now, y, mo, d);
  DecodeTime(now, h, mi, s, ms);
  ValidDateTime(y, mo, d, h, mi, s, ms, value);
  return value;
}

EntryStorage::EntryStorage(const clsImportStats& stats, Tables& tables, bool repairText)
    : stats_(stats), tables_(tables), repairText_(repairText) {}

std::string EntryStorage::DatabaseText(std::string_view text) const {
  text = text.substr(0, kShortTextMax);
  return repairText_ ? odbc::RepairUtf8(text) : std::string(text);
}

void EntryStorage::AddToDb(const std::string& date, const std::string& siteIP,
                           const std::string& visitor, const std::string& page,
                           const std::string& referrer, const std::string& method,
                           const std::string& httpVersion, std::uint32_t statuscode,
                           std::uint32_t bytes, std::uint32_t timeTaken, std::uint32_t port) {
  const std::string extension = TrimBlanks(UpperCase(PathExtension(page)));
  // The lists decide whatever their Use switches say.
  const bool stored =
      stats_.slIgnoreIP.IndexOf(visitor) < 0 && stats_.slIgnoreExt.IndexOf(extension) < 0;
  const bool download = stats_.slDownloadExt.IndexOf(extension) >= 0;
  const TDateTime storageDate = StorageDate(date);

  const std::string dbSiteIP = DatabaseText(siteIP);
  const std::string dbPage = DatabaseText(page);
  const std::string dbReferrer = DatabaseText(referrer);
  if (stored) {
    const std::string dbVisitor = DatabaseText(visitor);
    LogRow log;
    log.Page = LookupPage(dbPage, dbSiteIP);
    log.Referrer = LookupReferrer(dbReferrer, dbSiteIP, storageDate);
    log.SiteIP = dbSiteIP;
    log.Visitor = LookupVisitor(dbVisitor);
    log.Date = storageDate;
    log.GET = method == "GET";
    log.HEAD = method == "HEAD";
    log.Bytes = bytes;
    log.Statuscode = statuscode;
    log.TimeTaken = timeTaken;
    log.HTTPVersion = DatabaseText(httpVersion);
    log.Port = port;
    tables_.AddLog(log);

    if (qryVisitors_.row) {
      VisitorRow& row = *qryVisitors_.row;
      if (dbPage == "/robots.txt" && row.IP == dbVisitor) row.SE = true;
      const TDateTime old = row.Last;
      if (storageDate > old) row.Last = storageDate;
      if (!(old > 0) || storageDate - old > kSessionGap) {
        ++row.Count;
        row.SessionDownloaded = false;
      }
      if (download) {
        if (!row.SessionDownloaded) {
          UpdateDownloads(dbPage, dbSiteIP, storageDate);
          row.SessionDownloaded = true;
        }
        row.Downloaded = true;
      }
      tables_.Visitors().Write(row);
    }
  }
  if (statuscode > 399) UpdateErrors(dbPage, dbSiteIP, statuscode, storageDate, dbReferrer);
}

namespace {

// The query's row := `found` (none when null), reusing the texts the row holds.
template <class Row>
void StandOn(std::optional<Row>& row, const Row* found) {
  if (found == nullptr)
    row.reset();
  else if (row)
    *row = *found;
  else
    row.emplace(*found);
}

}  // namespace

std::int64_t EntryStorage::LookupVisitor(const std::string& visitor) {
  Query<VisitorRow>& q = qryVisitors_;
  if (!q.open || q.params.IP != visitor) {
    q.open = true;
    q.params.Visitor = visitor;
    q.params.IP = visitor;
    const VisitorRow* found = tables_.Visitors().Find(q.params);
    StandOn(q.row, found ? found : tables_.Visitors().Insert(q.params));
  }
  return q.row ? q.row->ID : 0;
}

std::int64_t EntryStorage::LookupPage(const std::string& page, const std::string& siteIP) {
  std::string_view key = TrimBlanksView(page);
  key = TrimBlanksView(key.substr(0, key.find('?')));
  Query<PageRow>& q = qryPages_;
  if (!q.open || q.params.PageName != key) {
    q.open = true;
    q.params.PageName = key;
    q.params.SiteIP = siteIP;
    const PageRow* found = tables_.Pages().Find(q.params);
    StandOn(q.row, found ? found : tables_.Pages().Insert(q.params));
  }
  return q.row ? q.row->ID : 0;
}

std::int64_t EntryStorage::LookupReferrer(const std::string& referrer, const std::string& siteIP,
                                          TDateTime date) {
  RefRow& keyed = refKey_;
  keyed.URL = TrimBlanksView(referrer);
  if (keyed.URL.empty() || keyed.URL == "-") keyed.URL = "(none)";
  keyed.Host.clear();
  if (keyed.URL != "(none)" && keyed.URL != "(unknown)") {
    std::string_view rest = TrimBlanksView(keyed.URL);
    SplitAt(rest, '/');
    SplitAt(rest, '/');
    keyed.Host = SplitAt(rest, '/');
  }
  keyed.SiteIP = siteIP;
  keyed.Count = 1;
  keyed.Last = date;
  CountIn(qryRefs_, tables_.Refs(), keyed);
  return 0;
}

void EntryStorage::UpdateDownloads(const std::string& page, const std::string& siteIP,
                                   TDateTime date) {
  DownloadRow& keyed = downloadKey_;
  keyed.FileName = TrimBlanksView(page);
  keyed.SiteIP = siteIP;
  keyed.Count = 1;
  keyed.Last = date;
  CountIn(qryDownloads_, tables_.Downloads(), keyed);
}

void EntryStorage::UpdateErrors(const std::string& page, const std::string& siteIP,
                                std::uint32_t status, TDateTime date, const std::string& referrer) {
  ErrorRow& keyed = errorKey_;
  keyed.Error = status;
  keyed.PageName = TrimBlanksView(page);
  keyed.SiteIP = siteIP;
  keyed.ReferringURL = referrer;
  keyed.Count = 1;
  keyed.Last = date;
  CountIn(qryErrors_, tables_.Errors(), keyed);
}

template <class Row>
void EntryStorage::CountIn(Query<Row>& q, Table<Row>& table, const Row& keyed) {
  if (!q.open || !SameKey(q.params, keyed)) {
    q.open = true;
    q.params = keyed;
    const Row* found = table.Find(q.params);
    if (found == nullptr) {
      StandOn(q.row, table.Insert(q.params));
      return;
    }
    StandOn(q.row, found);
  } else if (!q.row) {
    return;
  }
  ++q.row->Count;
  q.row->Last = keyed.Last;
  table.Write(*q.row);
}

void EntryStorage::CloseQueries() {
  qryVisitors_ = {};
  qryPages_ = {};
  qryRefs_ = {};
  qryDownloads_ = {};
  qryErrors_ = {};
}

}  // namespace kestrune
