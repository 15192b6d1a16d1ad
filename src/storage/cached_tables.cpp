#include "storage/cached_tables.h"

#include <bit>
#include <charconv>
#include <cstring>

#include "util/error.h"

namespace kestrune {
namespace {

// Keys of several parts, each preceded by its length, so that no two differ only in
// where one part ends.
void AppendPart(std::string& key, std::string_view part) {
  const auto size = static_cast<std::uint32_t>(part.size());
  char prefix[sizeof size];
  std::memcpy(prefix, &size, sizeof size);
  key.append(prefix, sizeof size);
  key.append(part);
}

std::string Key2(std::string_view a, std::string_view b) {
  std::string key;
  key.reserve(a.size() + b.size() + 8);
  AppendPart(key, a);
  AppendPart(key, b);
  return key;
}

std::string ErrorCacheKey(const ErrorKey& k) {
  std::string key = std::to_string(k.Error);
  AppendPart(key, k.PageName);
  AppendPart(key, k.SiteIP);
  AppendPart(key, k.ReferringURL);
  return key;
}

std::string ValuesList(std::size_t rows, std::size_t columns) {
  std::string one = "(";
  for (std::size_t c = 0; c < columns; ++c) one += c ? ", ?" : "?";
  one += ")";
  std::string all;
  all.reserve(rows * (one.size() + 2));
  for (std::size_t r = 0; r < rows; ++r) {
    if (r) all += ", ";
    all += one;
  }
  return all;
}

// "c0, c1, ..." for `columns` columns.
std::string ColumnNames(std::size_t columns) {
  std::string names;
  for (std::size_t c = 0; c < columns; ++c) names += (c ? ", c" : "c") + std::to_string(c);
  return names;
}

std::vector<odbc::ParamType> LogParamTypes(std::size_t rows) {
  using odbc::ParamType;
  const ParamType one[] = {ParamType::Integer, ParamType::Integer,  ParamType::Text,
                           ParamType::Integer, ParamType::DateTime, ParamType::Boolean,
                           ParamType::Boolean, ParamType::Integer,  ParamType::Integer,
                           ParamType::Integer, ParamType::Text,     ParamType::Integer};
  std::vector<ParamType> types;
  types.reserve(rows * std::size(one));
  for (std::size_t r = 0; r < rows; ++r) types.insert(types.end(), std::begin(one), std::end(one));
  return types;
}

// Array literals of PostgreSQL: one element after another, "{a,b,...}".
void AppendElement(std::string& array, std::string_view element) {
  array += array.size() > 1 ? "," : "";
  array += element;
}

void AppendInteger(std::string& array, std::int64_t value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  AppendElement(array, std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

// A text element, quoted; a parameter ends at a NUL byte, and so does the element.
void AppendQuoted(std::string& array, std::string_view text) {
  text = text.substr(0, text.find('\0'));
  array += array.size() > 1 ? ",\"" : "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') array += '\\';
    array += c;
  }
  array += '"';
}

// The date-time as a timestamp parameter gives it (to the millisecond), NULL for 0.
void AppendDateTime(std::string& array, TDateTime value) {
  if (value == 0) {
    AppendElement(array, "NULL");
    return;
  }
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, minute, second, msec);
  // "YYYY-MM-DD hh:mm:ss.zzz" (the year is 1 to 9999).
  char text[] = "0000-00-00 00:00:00.000";
  const auto put = [&text](std::size_t at, int value, int digits) {
    for (int i = digits - 1; i >= 0; --i, value /= 10)
      text[at + static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
  };
  put(0, year, 4);
  put(5, month, 2);
  put(8, day, 2);
  put(11, hour, 2);
  put(14, minute, 2);
  put(17, second, 2);
  put(20, msec, 3);
  AppendQuoted(array, std::string_view(text, sizeof text - 1));
}

template <class Row>
std::optional<Row> Held(CachedTables::Cache<Row>& cache, const std::string& key) {
  const auto found = cache.idByKey.find(key);
  if (found == cache.idByKey.end()) return std::nullopt;
  return cache.rows.at(found->second).row;
}

template <class Row>
void Hold(CachedTables::Cache<Row>& cache, const std::string& key, std::int64_t id,
          const Row& row) {
  // The first row of a key (lowest ID) is the one a keyed SELECT finds. A row changed in
  // this transaction and not yet written keeps its changes over what the database holds.
  if (!cache.idByKey.emplace(key, id).second) return;
  const auto [slot, added] = cache.rows.try_emplace(id);
  if (added) slot->second.row = row;
}

}  // namespace

CachedTables::CachedTables(odbc::Connection& connection, std::size_t batchRows,
                           std::size_t preloadRows, bool postgres)
    : connection_(connection),
      statements_(connection),
      batchRows_(batchRows == 0 ? 1 : batchRows),
      preloadRows_(preloadRows),
      postgres_(postgres) {
  logs_.reserve(batchRows_ * kHeldLogBatches);
  logArrays_ = postgres_ && LogColumnsTakeArrays();
}

bool CachedTables::LogColumnsTakeArrays() {
  // Each column with the types that take the elements of its array as they take a
  // parameter of INSERT ... VALUES; another type, or a missing column, keeps VALUES.
  struct Column {
    const char* name;
    std::vector<std::string_view> types;
  };
  const std::vector<std::string_view> integers = {"bigint", "integer", "smallint"};
  const std::vector<std::string_view> texts = {"character varying", "text"};
  const std::vector<std::string_view> booleans = {"boolean"};
  const std::vector<std::string_view> timestamps = {"timestamp"};
  const Column columns[] = {
      {"page", integers},      {"referrer", integers}, {"siteip", texts},
      {"visitor", integers},   {"date", timestamps},   {"get", booleans},
      {"head", booleans},      {"bytes", integers},    {"statuscode", integers},
      {"timetaken", integers}, {"httpversion", texts}, {"port", integers}};
  std::unordered_map<std::string, std::string> types;
  odbc::Statement query(connection_);
  query.ExecuteDirect(
      "SELECT a.attname, format_type(a.atttypid, a.atttypmod) FROM pg_attribute a "
      "WHERE a.attrelid = to_regclass('tbllogs') AND a.attnum > 0 AND NOT a.attisdropped");
  while (query.Fetch()) {
    std::string name = query.GetText(0);
    types[std::move(name)] = query.GetText(1);
  }
  for (const Column& column : columns) {
    const auto found = types.find(column.name);
    if (found == types.end()) return false;
    const std::string& type = found->second;
    bool fits = false;
    for (std::string_view allowed : column.types) {
      if (type.compare(0, allowed.size(), allowed) != 0) continue;
      // "timestamp(3) without time zone" but not "... with time zone"; "character
      // varying(255)" but not "character varying[]".
      const std::string_view rest = std::string_view(type).substr(allowed.size());
      fits = allowed == "timestamp" ? rest.find("without time zone") != std::string_view::npos &&
                                          rest.find('[') == std::string_view::npos
                                    : rest.empty() || (rest.front() == '(' && rest.back() == ')');
      if (fits) break;
    }
    if (!fits) return false;
  }
  return true;
}

void CachedTables::InsertLogArrays(std::size_t first, std::size_t rows) {
  using odbc::ParamType;
  if (logArrayInsert_ == nullptr) {
    std::vector<ParamType> types(TableStatements::kLogColumnCount, ParamType::LongText);
    logArrayInsert_ =
        &Prepared(std::string("INSERT INTO tblLogs (") + TableStatements::kLogColumns +
                      ") SELECT * FROM unnest(CAST(? AS BIGINT[]), CAST(? AS BIGINT[]), "
                      "CAST(? AS VARCHAR[]), CAST(? AS BIGINT[]), CAST(? AS TIMESTAMP[]), "
                      "CAST(? AS BOOLEAN[]), CAST(? AS BOOLEAN[]), CAST(? AS BIGINT[]), "
                      "CAST(? AS BIGINT[]), CAST(? AS BIGINT[]), CAST(? AS VARCHAR[]), "
                      "CAST(? AS BIGINT[]))",
                  types);
  }
  for (std::string& array : logArrayTexts_) array = "{";
  logArrayTexts_.resize(TableStatements::kLogColumnCount, "{");
  for (std::size_t i = first; i < first + rows; ++i) {
    const LogRow& row = logs_[i];
    AppendInteger(logArrayTexts_[0], row.Page);
    AppendInteger(logArrayTexts_[1], row.Referrer);
    AppendQuoted(logArrayTexts_[2], row.SiteIP);
    AppendInteger(logArrayTexts_[3], row.Visitor);
    AppendDateTime(logArrayTexts_[4], row.Date);
    AppendElement(logArrayTexts_[5], row.GET ? "t" : "f");
    AppendElement(logArrayTexts_[6], row.HEAD ? "t" : "f");
    AppendInteger(logArrayTexts_[7], row.Bytes);
    AppendInteger(logArrayTexts_[8], row.Statuscode);
    AppendInteger(logArrayTexts_[9], row.TimeTaken);
    AppendQuoted(logArrayTexts_[10], row.HTTPVersion);
    AppendInteger(logArrayTexts_[11], row.Port);
  }
  for (std::size_t c = 0; c < logArrayTexts_.size(); ++c) {
    logArrayTexts_[c] += '}';
    logArrayInsert_->SetLongText(c, logArrayTexts_[c]);
  }
  logArrayInsert_->Execute();
}

namespace {
void SetId(std::int64_t& row, std::int64_t id) {
  row = id;
}
template <class Row>
void SetId(Row& row, std::int64_t id) {
  row.ID = id;
}
}  // namespace

template <class Row>
void CachedTables::Defer(Cache<Row>& cache, const std::string& key, std::int64_t id, const Row& row,
                         std::vector<std::string> texts, std::int64_t number) {
  cache.idByKey[key] = id;
  cache.rows[id].row = row;
  cache.pending.push_back(PendingRow{id, key, std::move(texts), number});
}

template <class Row>
void CachedTables::Change(Cache<Row>& cache, Row row) {
  std::int64_t id = row.ID;
  if (id < 0) {
    const auto known = alias_.find(id);
    if (known != alias_.end()) id = known->second;
  }
  row.ID = id;
  auto& slot = cache.rows[id];
  slot.row = row;
  if (id < 0) return;  // still to be inserted, with its latest values
  if (!slot.dirty) {
    slot.dirty = true;
    cache.dirty.push_back(id);
  }
}

std::int64_t CachedTables::Real(std::int64_t id) const {
  if (id >= 0) return id;
  const auto known = alias_.find(id);
  if (known == alias_.end()) throw Error("A new row was referred to before it was stored.");
  return known->second;
}

template <class Row, class Bind>
void CachedTables::InsertPending(Cache<Row>& cache, const char* table, const char* columns,
                                 const std::vector<odbc::ParamType>& types, Bind&& bind) {
  std::size_t done = 0;
  while (done < cache.pending.size()) {
    // Full batches, then the rest in falling powers of two: few statements for any count,
    // and only a few differently sized ones to prepare.
    std::size_t rows = std::min(batchRows_, cache.pending.size() - done);
    if (rows < batchRows_) rows = std::bit_floor(rows);
    std::vector<odbc::ParamType> all;
    for (std::size_t r = 0; r < rows; ++r) all.insert(all.end(), types.begin(), types.end());
    // PostgreSQL returns the new IDs; the SQLite driver returns no rows from an INSERT,
    // so there the rows above the largest ID before are read back: SQLite gives the rows
    // of one INSERT ascending IDs above every existing one.
    std::int64_t before = 0;
    if (!postgres_) {
      odbc::Statement& max = Prepared(std::string("SELECT MAX(ID) FROM ") + table, {});
      max.Execute();
      if (max.Fetch()) before = max.GetInteger(0);
      max.CloseCursor();
    }
    odbc::Statement& insert = Prepared(
        InsertSql(table, columns, rows, types.size()) + (postgres_ ? " RETURNING ID" : ""), all);
    for (std::size_t r = 0; r < rows; ++r) {
      const PendingRow& pending = cache.pending[done + r];
      bind(insert, r * types.size(), pending, cache.rows.at(pending.placeholder).row);
    }
    insert.Execute();
    odbc::Statement* ids = &insert;
    if (!postgres_) {
      ids = &Prepared(std::string("SELECT ID FROM ") + table + " WHERE ID > ? ORDER BY ID",
                      {odbc::ParamType::Integer});
      ids->SetInteger(0, before);
      ids->Execute();
    }
    // The new rows come back in the order of the VALUES.
    for (std::size_t r = 0; r < rows; ++r) {
      if (!ids->Fetch()) throw Error(std::string("No ID came back for a new row of ") + table);
      const std::int64_t id = ids->GetInteger(0);
      const PendingRow& pending = cache.pending[done + r];
      alias_[pending.placeholder] = id;
      Row row = cache.rows.at(pending.placeholder).row;
      cache.rows.erase(pending.placeholder);
      SetId(row, id);
      cache.rows[id].row = row;
      cache.idByKey[pending.key] = id;
    }
    if (ids->Fetch()) throw Error(std::string("More new rows than inserted in ") + table);
    done += rows;
  }
  cache.pending.clear();
}

std::string CachedTables::InsertSql(const char* table, const char* columns, std::size_t rows,
                                    std::size_t columnCount) const {
  const std::string values = ValuesList(rows, columnCount);
  if (postgres_) return std::string("INSERT INTO ") + table + " (" + columns + ") VALUES " + values;
  // The SQLite driver compiles a statement that begins with INSERT again at every execution
  // (for a few thousand parameters that costs more than the insert itself) but keeps a
  // compiled one that begins with WITH and only binds the next values. The rows go in the
  // order of the VALUES, with the same values and types as INSERT ... VALUES gives them.
  return "WITH v (" + ColumnNames(columnCount) + ") AS (VALUES " + values + ") INSERT INTO " +
         table + " (" + columns + ") SELECT * FROM v";
}

odbc::Statement& CachedTables::Prepared(const std::string& sql,
                                        const std::vector<odbc::ParamType>& types) {
  std::unique_ptr<odbc::Statement>& statement = prepared_[sql];
  if (!statement) {
    auto made = std::make_unique<odbc::Statement>(connection_);
    made->Prepare(sql, types);
    statement = std::move(made);
  }
  return *statement;
}

void CachedTables::InsertAllPending() {
  InsertReferredPending();
  InsertOtherPending();
}

void CachedTables::InsertReferredPending() {
  using odbc::ParamType;
  const ParamType T = ParamType::Text, I = ParamType::Integer, B = ParamType::Boolean,
                  D = ParamType::DateTime;
  InsertPending(visitors_, "tblVisitors",
                "Visitor, IP, SE, Last, Count, SessionDownloaded, Downloaded",
                {T, T, B, D, I, B, B},
                [](odbc::Statement& s, std::size_t f, const PendingRow& p, const VisitorRow& row) {
                  s.SetText(f, p.texts[0]);
                  s.SetText(f + 1, p.texts[0]);
                  s.SetBoolean(f + 2, row.SE);
                  s.SetDateTime(f + 3, row.Last);
                  s.SetInteger(f + 4, row.Count);
                  s.SetBoolean(f + 5, row.SessionDownloaded);
                  s.SetBoolean(f + 6, row.Downloaded);
                });
  InsertPending(pages_, "tblPages", "PageName, SiteIP", {T, T},
                [](odbc::Statement& s, std::size_t f, const PendingRow& p, std::int64_t) {
                  s.SetText(f, p.texts[0]);
                  s.SetText(f + 1, p.texts[1]);
                });
}

void CachedTables::InsertOtherPending() {
  using odbc::ParamType;
  const ParamType T = ParamType::Text, I = ParamType::Integer, D = ParamType::DateTime;
  InsertPending(refs_, "tblRefs", "Host, URL, SiteIP, Count, Last", {T, T, T, I, D},
                [](odbc::Statement& s, std::size_t f, const PendingRow& p, const CounterRow& row) {
                  s.SetText(f, p.texts[0]);
                  s.SetText(f + 1, p.texts[1]);
                  s.SetText(f + 2, p.texts[2]);
                  s.SetInteger(f + 3, row.Count);
                  s.SetDateTime(f + 4, row.Last);
                });
  InsertPending(downloads_, "tblDownloads", "FileName, SiteIP, Count, Last", {T, T, I, D},
                [](odbc::Statement& s, std::size_t f, const PendingRow& p, const CounterRow& row) {
                  s.SetText(f, p.texts[0]);
                  s.SetText(f + 1, p.texts[1]);
                  s.SetInteger(f + 2, row.Count);
                  s.SetDateTime(f + 3, row.Last);
                });
  InsertPending(errors_, "tblErrors", "PageName, SiteIP, ReferringURL, Error, Count, Last",
                {T, T, T, I, I, D},
                [](odbc::Statement& s, std::size_t f, const PendingRow& p, const CounterRow& row) {
                  s.SetText(f, p.texts[0]);
                  s.SetText(f + 1, p.texts[1]);
                  s.SetText(f + 2, p.texts[2]);
                  s.SetInteger(f + 3, p.number);
                  s.SetInteger(f + 4, row.Count);
                  s.SetDateTime(f + 5, row.Last);
                });
}

template <class Row, class Load>
void CachedTables::Preload(Cache<Row>& cache, const char* table, Load&& load) {
  if (cache.checked) return;
  cache.checked = true;
  odbc::Statement count(connection_);
  count.ExecuteDirect(std::string("SELECT COUNT(*) FROM ") + table);
  std::int64_t rows = 0;
  if (count.Fetch()) rows = count.GetInteger(0);
  count.CloseCursor();
  if (rows < 0 || static_cast<std::size_t>(rows) > preloadRows_) return;
  load(count);
  cache.complete = true;
}

// --- tblVisitors -----------------------------------------------------------------------

std::optional<VisitorRow> CachedTables::FindVisitor(const std::string& ip) {
  Preload(visitors_, "tblVisitors", [this](odbc::Statement& s) {
    s.ExecuteDirect(std::string("SELECT ") + TableStatements::kVisitorColumns +
                    " FROM tblVisitors ORDER BY ID");
    while (s.Fetch()) {
      VisitorRow row = TableStatements::ReadVisitor(s);
      Hold(visitors_, row.IP, row.ID, row);
    }
  });
  if (auto row = Held(visitors_, ip)) return row;
  if (visitors_.complete) return std::nullopt;
  auto row = statements_.SelectVisitor(ip);
  if (row) Hold(visitors_, ip, row->ID, *row);
  return Held(visitors_, ip);
}

std::optional<VisitorRow> CachedTables::InsertVisitor(const std::string& visitor) {
  // Inserted with the next batch of rows: as the database makes it, with the defaults.
  VisitorRow row;
  row.ID = nextPlaceholder_--;
  row.IP = visitor;
  Defer(visitors_, visitor, row.ID, row, {visitor}, 0);
  return row;
}

void CachedTables::WriteVisitor(const VisitorRow& row) {
  Change(visitors_, row);
}

// --- tblPages --------------------------------------------------------------------------

std::optional<std::int64_t> CachedTables::FindPage(const std::string& pageName) {
  Preload(pages_, "tblPages", [this](odbc::Statement& s) {
    s.ExecuteDirect("SELECT ID, PageName FROM tblPages ORDER BY ID");
    while (s.Fetch()) {
      const std::int64_t id = s.GetInteger(0);
      Hold(pages_, s.GetText(1), id, id);
    }
  });
  if (auto id = Held(pages_, pageName)) return id;
  if (pages_.complete) return std::nullopt;
  auto id = statements_.SelectPage(pageName);
  if (id) Hold(pages_, pageName, *id, *id);
  return Held(pages_, pageName);
}

std::optional<std::int64_t> CachedTables::InsertPage(const std::string& pageName,
                                                     const std::string& siteIP) {
  const std::int64_t id = nextPlaceholder_--;
  Defer(pages_, pageName, id, id, {pageName, siteIP}, 0);
  return id;
}

// --- tblRefs, tblDownloads, tblErrors ----------------------------------------------------

namespace {

// Loads ID, Count, Last and the key columns (from column 3 on) of a counter table.
template <class MakeKey>
void LoadCounters(odbc::Statement& s, const std::string& sql,
                  CachedTables::Cache<CounterRow>& cache, MakeKey&& makeKey) {
  s.ExecuteDirect(sql);
  while (s.Fetch()) {
    const CounterRow row = TableStatements::ReadCounter(s);
    Hold(cache, makeKey(s), row.ID, row);
  }
}

}  // namespace

std::optional<CounterRow> CachedTables::FindRef(const std::string& url, const std::string& siteIP) {
  Preload(refs_, "tblRefs", [this](odbc::Statement& s) {
    LoadCounters(s, "SELECT ID, Count, Last, URL, SiteIP FROM tblRefs ORDER BY ID", refs_,
                 [](odbc::Statement& r) {
                   std::string a = r.GetText(3);
                   return Key2(a, r.GetText(4));
                 });
  });
  const std::string key = Key2(url, siteIP);
  if (auto row = Held(refs_, key)) return row;
  if (refs_.complete) return std::nullopt;
  auto row = statements_.SelectRef(url, siteIP);
  if (row) Hold(refs_, key, row->ID, *row);
  return Held(refs_, key);
}

std::optional<CounterRow> CachedTables::InsertRef(const std::string& host, const std::string& url,
                                                  const std::string& siteIP, TDateTime last) {
  const CounterRow row{nextPlaceholder_--, 1, last};
  Defer(refs_, Key2(url, siteIP), row.ID, row, {host, url, siteIP}, 0);
  return row;
}

void CachedTables::WriteRef(const CounterRow& row) {
  Change(refs_, row);
}

std::optional<CounterRow> CachedTables::FindDownload(const std::string& fileName,
                                                     const std::string& siteIP) {
  Preload(downloads_, "tblDownloads", [this](odbc::Statement& s) {
    LoadCounters(s, "SELECT ID, Count, Last, FileName, SiteIP FROM tblDownloads ORDER BY ID",
                 downloads_, [](odbc::Statement& r) {
                   std::string a = r.GetText(3);
                   return Key2(a, r.GetText(4));
                 });
  });
  const std::string key = Key2(fileName, siteIP);
  if (auto row = Held(downloads_, key)) return row;
  if (downloads_.complete) return std::nullopt;
  auto row = statements_.SelectDownload(fileName, siteIP);
  if (row) Hold(downloads_, key, row->ID, *row);
  return Held(downloads_, key);
}

std::optional<CounterRow> CachedTables::InsertDownload(const std::string& fileName,
                                                       const std::string& siteIP, TDateTime last) {
  const CounterRow row{nextPlaceholder_--, 1, last};
  Defer(downloads_, Key2(fileName, siteIP), row.ID, row, {fileName, siteIP}, 0);
  return row;
}

void CachedTables::WriteDownload(const CounterRow& row) {
  Change(downloads_, row);
}

std::optional<CounterRow> CachedTables::FindError(const ErrorKey& key) {
  Preload(errors_, "tblErrors", [this](odbc::Statement& s) {
    LoadCounters(
        s,
        "SELECT ID, Count, Last, Error, PageName, SiteIP, ReferringURL FROM tblErrors ORDER BY ID",
        errors_, [](odbc::Statement& r) {
          ErrorKey k;
          k.Error = r.GetInteger(3);
          k.PageName = r.GetText(4);
          k.SiteIP = r.GetText(5);
          k.ReferringURL = r.GetText(6);
          return ErrorCacheKey(k);
        });
  });
  const std::string cacheKey = ErrorCacheKey(key);
  if (auto row = Held(errors_, cacheKey)) return row;
  if (errors_.complete) return std::nullopt;
  auto row = statements_.SelectError(key);
  if (row) Hold(errors_, cacheKey, row->ID, *row);
  return Held(errors_, cacheKey);
}

std::optional<CounterRow> CachedTables::InsertError(const ErrorKey& key, TDateTime last) {
  const CounterRow row{nextPlaceholder_--, 1, last};
  Defer(errors_, ErrorCacheKey(key), row.ID, row, {key.PageName, key.SiteIP, key.ReferringURL},
        key.Error);
  return row;
}

void CachedTables::WriteError(const CounterRow& row) {
  Change(errors_, row);
}

// --- tblLogs and the flush ---------------------------------------------------------------

void CachedTables::AddLog(const LogRow& row) {
  logs_.push_back(row);
  if (logs_.size() < LogBatchRows()) return;
  // Rows that refer to new visitors or pages wait until enough of those have come to fill
  // an INSERT of their own (or the held rows reach their limit): a batch of tblLogs rows
  // then needs no statements for the few new rows among its own.
  const std::size_t visitors = visitors_.pending.size(), pages = pages_.pending.size();
  if ((visitors > 0 || pages > 0) && visitors < batchRows_ && pages < batchRows_ &&
      logs_.size() < batchRows_ * kHeldLogBatches)
    return;
  FlushLogs(false);
}

void CachedTables::FlushLogs(bool all) {
  if (logs_.empty()) return;
  InsertReferredPending();
  constexpr std::size_t kColumns = TableStatements::kLogColumnCount;
  std::size_t done = 0;
  while (done < logs_.size()) {
    const std::size_t batch = LogBatchRows();
    const std::size_t rows = std::min(batch, logs_.size() - done);
    if (rows < batch && !all) break;  // kept for the next batch
    if (logArrays_) {
      for (std::size_t i = done; i < done + rows; ++i) {
        logs_[i].Page = Real(logs_[i].Page);
        logs_[i].Visitor = Real(logs_[i].Visitor);
      }
      InsertLogArrays(done, rows);
      done += rows;
      continue;
    }
    // A full batch has its statement at hand; a shorter one (the last of a file) is
    // looked up.
    odbc::Statement*& statement = rows == batchRows_ ? fullLogBatch_ : partLogBatch_;
    if (statement == nullptr || rows != batchRows_)
      statement = &Prepared(InsertSql("tblLogs", TableStatements::kLogColumns, rows, kColumns),
                            LogParamTypes(rows));
    for (std::size_t i = 0; i < rows; ++i) {
      LogRow& row = logs_[done + i];
      row.Page = Real(row.Page);
      row.Visitor = Real(row.Visitor);
      TableStatements::BindLog(*statement, i * kColumns, row);
    }
    statement->Execute();
    done += rows;
  }
  logs_.erase(logs_.begin(), logs_.begin() + static_cast<std::ptrdiff_t>(done));
}

template <class Row, class Bind>
void CachedTables::WriteChanged(Cache<Row>& cache, const char* table,
                                const std::vector<std::pair<const char*, odbc::ParamType>>& columns,
                                Bind&& bind) {
  using odbc::ParamType;
  // One row of VALUES; PostgreSQL cannot tell the type of a bare parameter there.
  std::string one = "(";
  const std::string names = ColumnNames(columns.size());
  std::string sets;
  std::vector<ParamType> rowTypes;
  for (std::size_t c = 0; c < columns.size(); ++c) {
    const auto& [name, type] = columns[c];
    const char* cast = type == ParamType::Integer    ? "BIGINT"
                       : type == ParamType::Boolean  ? "BOOLEAN"
                       : type == ParamType::DateTime ? "TIMESTAMP"
                                                     : "VARCHAR";
    one += c ? ", " : "";
    one += postgres_ ? std::string("CAST(? AS ") + cast + ")" : std::string("?");
    if (c) sets += std::string(c > 1 ? ", " : "") + name + " = v.c" + std::to_string(c);
    rowTypes.push_back(type);
  }
  one += ")";
  auto sql = [&](std::size_t rows, std::vector<ParamType>& types) {
    std::string text = "WITH v (" + names + ") AS (VALUES ";
    for (std::size_t r = 0; r < rows; ++r) {
      text += r ? ", " + one : one;
      types.insert(types.end(), rowTypes.begin(), rowTypes.end());
    }
    return text + ") UPDATE " + table + " SET " + sets + " FROM v WHERE " + table + ".ID = v.c0";
  };
  std::size_t done = 0;
  while (done < cache.dirty.size()) {
    const std::size_t rows = std::min(batchRows_, cache.dirty.size() - done);
    std::vector<ParamType> types;
    const std::string text = sql(rows, types);
    odbc::Statement& statement = Prepared(text, types);
    for (std::size_t r = 0; r < rows; ++r)
      bind(statement, r * columns.size(), cache.rows.at(cache.dirty[done + r]).row);
    statement.Execute();
    done += rows;
  }
  for (const std::int64_t id : cache.dirty) cache.rows.at(id).dirty = false;
  cache.dirty.clear();
}

void CachedTables::Flush() {
  using odbc::ParamType;
  InsertAllPending();
  FlushLogs(true);
  WriteChanged(visitors_, "tblVisitors",
               {{"ID", ParamType::Integer},
                {"SE", ParamType::Boolean},
                {"Last", ParamType::DateTime},
                {"Count", ParamType::Integer},
                {"SessionDownloaded", ParamType::Boolean},
                {"Downloaded", ParamType::Boolean}},
               [](odbc::Statement& s, std::size_t first, const VisitorRow& row) {
                 s.SetInteger(first, row.ID);
                 s.SetBoolean(first + 1, row.SE);
                 s.SetDateTime(first + 2, row.Last);
                 s.SetInteger(first + 3, row.Count);
                 s.SetBoolean(first + 4, row.SessionDownloaded);
                 s.SetBoolean(first + 5, row.Downloaded);
               });
  const std::vector<std::pair<const char*, ParamType>> counter = {
      {"ID", ParamType::Integer}, {"Count", ParamType::Integer}, {"Last", ParamType::DateTime}};
  auto bindCounter = [](odbc::Statement& s, std::size_t first, const CounterRow& row) {
    s.SetInteger(first, row.ID);
    s.SetInteger(first + 1, row.Count);
    s.SetDateTime(first + 2, row.Last);
  };
  WriteChanged(refs_, "tblRefs", counter, bindCounter);
  WriteChanged(downloads_, "tblDownloads", counter, bindCounter);
  WriteChanged(errors_, "tblErrors", counter, bindCounter);
}

void CachedTables::Committed() {
  visitors_.Clear();
  pages_.Clear();
  refs_.Clear();
  downloads_.Clear();
  errors_.Clear();
  logs_.clear();
}

void CachedTables::Forget() {
  Committed();
  alias_.clear();
}

}  // namespace kestrune
