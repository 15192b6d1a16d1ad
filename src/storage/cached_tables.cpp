#include "storage/cached_tables.h"

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

template <class Row>
std::optional<Row> Held(CachedTables::Cache<Row>& cache, const std::string& key) {
  const auto found = cache.idByKey.find(key);
  if (found == cache.idByKey.end()) return std::nullopt;
  return cache.rows.at(found->second);
}

template <class Row>
void Hold(CachedTables::Cache<Row>& cache, const std::string& key, std::int64_t id,
          const Row& row) {
  // The first row of a key (lowest ID) is the one a keyed SELECT finds. A row changed in
  // this transaction and not yet written keeps its changes over what the database holds.
  if (cache.idByKey.emplace(key, id).second) cache.rows.emplace(id, row);
}

}  // namespace

CachedTables::CachedTables(odbc::Connection& connection, std::size_t batchRows,
                           std::size_t preloadRows, bool postgres)
    : connection_(connection),
      statements_(connection),
      batchRows_(batchRows == 0 ? 1 : batchRows),
      preloadRows_(preloadRows),
      postgres_(postgres) {
  logs_.reserve(batchRows_);
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
  cache.rows[id] = row;
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
  cache.rows[id] = row;
  if (id < 0) return;  // still to be inserted, with its latest values
  bool& dirty = cache.isDirty[id];
  if (!dirty) {
    dirty = true;
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
    const std::size_t rows = std::min(batchRows_, cache.pending.size() - done);
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
      bind(insert, r * types.size(), pending, cache.rows.at(pending.placeholder));
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
      Row row = cache.rows.at(pending.placeholder);
      cache.rows.erase(pending.placeholder);
      SetId(row, id);
      cache.rows[id] = row;
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
  if (logs_.size() >= batchRows_) FlushLogs();
}

void CachedTables::FlushLogs() {
  if (logs_.empty()) return;
  InsertReferredPending();
  for (LogRow& row : logs_) {
    row.Page = Real(row.Page);
    row.Visitor = Real(row.Visitor);
  }
  constexpr std::size_t kColumns = TableStatements::kLogColumnCount;
  // A full batch has its statement at hand; a shorter one (the last of a file) is looked up.
  odbc::Statement*& statement = logs_.size() == batchRows_ ? fullLogBatch_ : partLogBatch_;
  if (statement == nullptr || logs_.size() != batchRows_)
    statement =
        &Prepared(InsertSql("tblLogs", TableStatements::kLogColumns, logs_.size(), kColumns),
                  LogParamTypes(logs_.size()));
  for (std::size_t i = 0; i < logs_.size(); ++i)
    TableStatements::BindLog(*statement, i * kColumns, logs_[i]);
  statement->Execute();
  logs_.clear();
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
      bind(statement, r * columns.size(), cache.rows.at(cache.dirty[done + r]));
    statement.Execute();
    done += rows;
  }
  cache.dirty.clear();
  cache.isDirty.clear();
}

void CachedTables::Flush() {
  using odbc::ParamType;
  InsertAllPending();
  FlushLogs();
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
