#include "storage/table_statements.h"

#include <vector>

namespace kestrune {

using odbc::ParamType;
using odbc::Statement;

namespace {
constexpr ParamType T = ParamType::Text;
constexpr ParamType I = ParamType::Integer;
constexpr ParamType B = ParamType::Boolean;
constexpr ParamType D = ParamType::DateTime;
}  // namespace

const char* const TableStatements::kVisitorColumns =
    "ID, IP, SE, Last, Count, SessionDownloaded, Downloaded";
const char* const TableStatements::kCounterColumns = "ID, Count, Last";
const char* const TableStatements::kLogColumns =
    "Page, Referrer, SiteIP, Visitor, Date, GET, HEAD, Bytes, Statuscode, TimeTaken, "
    "HTTPVersion, Port";

TableStatements::TableStatements(odbc::Connection& connection)
    : selectVisitor_(connection),
      selectPage_(connection),
      selectRef_(connection),
      selectDownload_(connection),
      selectError_(connection),
      insertVisitor_(connection),
      insertPage_(connection),
      insertRef_(connection),
      insertDownload_(connection),
      insertError_(connection),
      insertLog_(connection),
      updateVisitor_(connection),
      updateRef_(connection),
      updateDownload_(connection),
      updateError_(connection) {
  const std::string counter = kCounterColumns;
  selectVisitor_.Prepare(
      std::string("SELECT ") + kVisitorColumns + " FROM tblVisitors WHERE IP=? ORDER BY ID", {T});
  selectPage_.Prepare("SELECT ID FROM tblPages WHERE (PageName=?) ORDER BY ID", {T});
  selectRef_.Prepare(
      "SELECT " + counter + " FROM tblRefs WHERE ((URL=?) And (SiteIP=?)) ORDER BY ID", {T, T});
  selectDownload_.Prepare(
      "SELECT " + counter + " FROM tblDownloads WHERE ((FileName=?) And (SiteIP=?)) ORDER BY ID",
      {T, T});
  selectError_.Prepare("SELECT " + counter +
                           " FROM tblErrors WHERE ((Error=?) And (PageName=?) And (SiteIP=?) "
                           "And (ReferringURL=?)) ORDER BY ID",
                       {I, T, T, T});

  insertVisitor_.Prepare("INSERT INTO tblVisitors (Visitor, IP) VALUES (?, ?)", {T, T});
  insertPage_.Prepare("INSERT INTO tblPages (PageName, SiteIP) VALUES (?, ?)", {T, T});
  insertRef_.Prepare("INSERT INTO tblRefs (Host, URL, SiteIP, Count, Last) VALUES (?, ?, ?, ?, ?)",
                     {T, T, T, I, D});
  insertDownload_.Prepare(
      "INSERT INTO tblDownloads (FileName, SiteIP, Count, Last) VALUES (?, ?, ?, ?)", {T, T, I, D});
  insertError_.Prepare(
      "INSERT INTO tblErrors (PageName, SiteIP, ReferringURL, Error, Count, Last) "
      "VALUES (?, ?, ?, ?, ?, ?)",
      {T, T, T, I, I, D});
  insertLog_.Prepare(std::string("INSERT INTO tblLogs (") + kLogColumns +
                         ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                     {I, I, T, I, D, B, B, I, I, I, T, I});

  updateVisitor_.Prepare(
      "UPDATE tblVisitors SET SE=?, Last=?, Count=?, SessionDownloaded=?, Downloaded=? "
      "WHERE ID=?",
      {B, D, I, B, B, I});
  updateRef_.Prepare("UPDATE tblRefs SET Count=?, Last=? WHERE ID=?", {I, D, I});
  updateDownload_.Prepare("UPDATE tblDownloads SET Count=?, Last=? WHERE ID=?", {I, D, I});
  updateError_.Prepare("UPDATE tblErrors SET Count=?, Last=? WHERE ID=?", {I, D, I});
}

VisitorRow TableStatements::ReadVisitor(Statement& select) {
  VisitorRow row;
  row.ID = select.GetInteger(0);
  row.IP = select.GetText(1);
  row.SE = select.GetBoolean(2);
  row.Last = select.GetDateTime(3);
  row.Count = select.GetInteger(4);
  row.SessionDownloaded = select.GetBoolean(5);
  row.Downloaded = select.GetBoolean(6);
  return row;
}

CounterRow TableStatements::ReadCounter(Statement& select) {
  CounterRow row;
  row.ID = select.GetInteger(0);
  row.Count = select.GetInteger(1);
  row.Last = select.GetDateTime(2);
  return row;
}

namespace {

template <class Read>
auto FirstRow(Statement& select, Read&& read) -> std::optional<decltype(read(select))> {
  select.Execute();
  if (!select.Fetch()) return std::nullopt;
  auto row = read(select);
  select.CloseCursor();
  return row;
}

}  // namespace

std::optional<VisitorRow> TableStatements::SelectVisitor(const std::string& ip) {
  selectVisitor_.SetText(0, ip);
  return FirstRow(selectVisitor_, ReadVisitor);
}

std::optional<std::int64_t> TableStatements::SelectPage(const std::string& pageName) {
  selectPage_.SetText(0, pageName);
  return FirstRow(selectPage_, [](Statement& s) { return s.GetInteger(0); });
}

std::optional<CounterRow> TableStatements::SelectRef(const std::string& url,
                                                     const std::string& siteIP) {
  selectRef_.SetText(0, url);
  selectRef_.SetText(1, siteIP);
  return FirstRow(selectRef_, ReadCounter);
}

std::optional<CounterRow> TableStatements::SelectDownload(const std::string& fileName,
                                                          const std::string& siteIP) {
  selectDownload_.SetText(0, fileName);
  selectDownload_.SetText(1, siteIP);
  return FirstRow(selectDownload_, ReadCounter);
}

std::optional<CounterRow> TableStatements::SelectError(const ErrorKey& key) {
  selectError_.SetInteger(0, key.Error);
  selectError_.SetText(1, key.PageName);
  selectError_.SetText(2, key.SiteIP);
  selectError_.SetText(3, key.ReferringURL);
  return FirstRow(selectError_, ReadCounter);
}

void TableStatements::InsertVisitor(const std::string& visitor) {
  insertVisitor_.SetText(0, visitor);
  insertVisitor_.SetText(1, visitor);
  insertVisitor_.Execute();
}

void TableStatements::InsertPage(const std::string& pageName, const std::string& siteIP) {
  insertPage_.SetText(0, pageName);
  insertPage_.SetText(1, siteIP);
  insertPage_.Execute();
}

void TableStatements::InsertRef(const std::string& host, const std::string& url,
                                const std::string& siteIP, TDateTime last) {
  insertRef_.SetText(0, host);
  insertRef_.SetText(1, url);
  insertRef_.SetText(2, siteIP);
  insertRef_.SetInteger(3, 1);
  insertRef_.SetDateTime(4, last);
  insertRef_.Execute();
}

void TableStatements::InsertDownload(const std::string& fileName, const std::string& siteIP,
                                     TDateTime last) {
  insertDownload_.SetText(0, fileName);
  insertDownload_.SetText(1, siteIP);
  insertDownload_.SetInteger(2, 1);
  insertDownload_.SetDateTime(3, last);
  insertDownload_.Execute();
}

void TableStatements::InsertError(const ErrorKey& key, TDateTime last) {
  insertError_.SetText(0, key.PageName);
  insertError_.SetText(1, key.SiteIP);
  insertError_.SetText(2, key.ReferringURL);
  insertError_.SetInteger(3, key.Error);
  insertError_.SetInteger(4, 1);
  insertError_.SetDateTime(5, last);
  insertError_.Execute();
}

void TableStatements::BindLog(Statement& insert, std::size_t first, const LogRow& row) {
  insert.SetInteger(first + 0, row.Page);
  insert.SetInteger(first + 1, row.Referrer);
  insert.SetText(first + 2, row.SiteIP);
  insert.SetInteger(first + 3, row.Visitor);
  insert.SetDateTime(first + 4, row.Date);
  insert.SetBoolean(first + 5, row.GET);
  insert.SetBoolean(first + 6, row.HEAD);
  insert.SetInteger(first + 7, row.Bytes);
  insert.SetInteger(first + 8, row.Statuscode);
  insert.SetInteger(first + 9, row.TimeTaken);
  insert.SetText(first + 10, row.HTTPVersion);
  insert.SetInteger(first + 11, row.Port);
}

void TableStatements::InsertLog(const LogRow& row) {
  BindLog(insertLog_, 0, row);
  insertLog_.Execute();
}

void TableStatements::UpdateVisitor(const VisitorRow& row) {
  updateVisitor_.SetBoolean(0, row.SE);
  updateVisitor_.SetDateTime(1, row.Last);
  updateVisitor_.SetInteger(2, row.Count);
  updateVisitor_.SetBoolean(3, row.SessionDownloaded);
  updateVisitor_.SetBoolean(4, row.Downloaded);
  updateVisitor_.SetInteger(5, row.ID);
  updateVisitor_.Execute();
}

namespace {
void UpdateCounter(Statement& update, const CounterRow& row) {
  update.SetInteger(0, row.Count);
  update.SetDateTime(1, row.Last);
  update.SetInteger(2, row.ID);
  update.Execute();
}
}  // namespace

void TableStatements::UpdateRef(const CounterRow& row) {
  UpdateCounter(updateRef_, row);
}
void TableStatements::UpdateDownload(const CounterRow& row) {
  UpdateCounter(updateDownload_, row);
}
void TableStatements::UpdateError(const CounterRow& row) {
  UpdateCounter(updateError_, row);
}

}  // namespace kestrune
