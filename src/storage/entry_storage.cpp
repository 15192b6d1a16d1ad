#include "storage/entry_storage.h"

#include "logfiles/text_ops.h"
#include "storage/odbc.h"
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
      tables_.WriteVisitor(row);
    }
  }
  if (statuscode > 399) UpdateErrors(dbPage, dbSiteIP, statuscode, storageDate, dbReferrer);
}

std::int64_t EntryStorage::LookupVisitor(const std::string& visitor) {
  VisitorQuery& q = qryVisitors_;
  if (!q.open || q.V != visitor) {
    q.open = true;
    q.V = visitor;
    q.row = tables_.FindVisitor(visitor);
    if (!q.row) q.row = tables_.InsertVisitor(visitor);
  }
  return q.row ? q.row->ID : 0;
}

std::int64_t EntryStorage::LookupPage(const std::string& page, const std::string& siteIP) {
  std::string_view key = TrimBlanksView(page);
  key = TrimBlanksView(key.substr(0, key.find('?')));
  PageQuery& q = qryPages_;
  if (!q.open || q.P != key) {
    q.open = true;
    q.P = std::string(key);
    q.id = tables_.FindPage(q.P);
    if (!q.id) q.id = tables_.InsertPage(q.P, siteIP);
  }
  return q.id.value_or(0);
}

std::int64_t EntryStorage::LookupReferrer(const std::string& referrer, const std::string& siteIP,
                                          TDateTime date) {
  std::string key = TrimBlanks(referrer);
  if (key.empty() || key == "-") key = "(none)";
  std::string host;
  if (key != "(none)" && key != "(unknown)") {
    std::string_view rest = TrimBlanksView(key);
    SplitAt(rest, '/');
    SplitAt(rest, '/');
    host = std::string(SplitAt(rest, '/'));
  }
  CounterQuery& q = qryRefs_;
  if (q.open && q.P == key && q.S == siteIP) {
    if (q.row) {
      ++q.row->Count;
      q.row->Last = date;
      tables_.WriteRef(*q.row);
    }
    return 0;
  }
  q.open = true;
  q.P = key;
  q.S = siteIP;
  q.row = tables_.FindRef(key, siteIP);
  if (!q.row) {
    q.row = tables_.InsertRef(host, key, siteIP, date);
  } else {
    ++q.row->Count;
    q.row->Last = date;
    tables_.WriteRef(*q.row);
  }
  return 0;
}

void EntryStorage::UpdateDownloads(const std::string& page, const std::string& siteIP,
                                   TDateTime date) {
  const std::string key = TrimBlanks(page);
  CounterQuery& q = qryDownloads_;
  if (q.open && q.P == key && q.S == siteIP) {
    if (q.row) {
      ++q.row->Count;
      q.row->Last = date;
      tables_.WriteDownload(*q.row);
    }
    return;
  }
  q.open = true;
  q.P = key;
  q.S = siteIP;
  q.row = tables_.FindDownload(key, siteIP);
  if (!q.row) {
    q.row = tables_.InsertDownload(key, siteIP, date);
  } else {
    ++q.row->Count;
    q.row->Last = date;
    tables_.WriteDownload(*q.row);
  }
}

void EntryStorage::UpdateErrors(const std::string& page, const std::string& siteIP,
                                std::uint32_t status, TDateTime date, const std::string& referrer) {
  ErrorKey key{status, TrimBlanks(page), siteIP, referrer};
  ErrorQuery& q = qryErrors_;
  if (q.open && q.key.PageName == key.PageName && q.key.SiteIP == key.SiteIP &&
      q.key.Error == key.Error && q.key.ReferringURL == key.ReferringURL) {
    if (q.row) {
      ++q.row->Count;
      q.row->Last = date;
      tables_.WriteError(*q.row);
    }
    return;
  }
  q.open = true;
  q.key = std::move(key);
  q.row = tables_.FindError(q.key);
  if (q.row) {
    ++q.row->Count;
    q.row->Last = date;
    tables_.WriteError(*q.row);
  } else {
    q.row = tables_.InsertError(q.key, date);
  }
}

void EntryStorage::CloseQueries() {
  qryVisitors_ = {};
  qryPages_ = {};
  qryRefs_ = {};
  qryDownloads_ = {};
  qryErrors_ = {};
}

}  // namespace kestrune
