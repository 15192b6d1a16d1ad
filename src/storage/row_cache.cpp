#include "storage/row_cache.h"

#include <algorithm>
#include <bit>

#include "storage/row_binding.h"
#include "util/error.h"

namespace kestrune {

std::int64_t PlaceholderIds::Learnt(std::int64_t placeholder, bool required) const {
  const auto known = real_.find(placeholder);
  if (known != real_.end()) return known->second;
  if (required) throw Error("A new row was referred to before it was stored.");
  return placeholder;
}

template <class Row>
RowCache<Row>::RowCache(StatementCache& statements, SqlDialect dialect, PlaceholderIds& ids,
                        std::size_t batchRows, std::size_t preloadRows)
    : statements_(statements),
      dialect_(dialect),
      ids_(ids),
      batchRows_(batchRows),
      preloadRows_(preloadRows) {}

template <class Row>
std::string_view RowCache<Row>::KeyOf(const Row& row) {
  return KeyView(row, keyText_);
}

template <class Row>
Row* RowCache<Row>::Held(std::string_view key) {
  const auto found = idByKey_.find(key);
  return found == idByKey_.end() ? nullptr : &rows_.at(found->second).row;
}

template <class Row>
void RowCache<Row>::Hold(std::string_view key, const Row& row) {
  // The first row of a key (lowest ID) is the one a keyed SELECT finds. A row changed in
  // this transaction and not yet written keeps its changes over what the database holds.
  if (idByKey_.find(key) != idByKey_.end()) return;
  idByKey_.emplace(std::string(key), row.ID);
  const auto [slot, added] = rows_.try_emplace(row.ID);
  if (added) slot->second.row = row;
}

template <class Row>
void RowCache<Row>::Preload() {
  if (checked_) return;
  checked_ = true;
  const TableSpec& table = SpecOf<Row>();
  odbc::Statement select(statements_.Connection());
  select.ExecuteDirect(sql::CountRows(table));
  std::int64_t rows = 0;
  if (select.Fetch()) rows = select.GetInteger(0);
  select.CloseCursor();
  if (rows < 0 || static_cast<std::size_t>(rows) > preloadRows_) return;
  select.ExecuteDirect(sql::SelectAll(table));
  while (select.Fetch()) {
    const Row row = ReadRow<Row>(select);
    Hold(KeyOf(row), row);
  }
  complete_ = true;
}

template <class Row>
const Row* RowCache<Row>::Find(const Row& key) {
  Preload();
  const std::string_view text = KeyOf(key);
  if (const Row* row = Held(text)) return row;
  if (complete_) return nullptr;
  if (select_ == nullptr) {
    const TableSpec& table = SpecOf<Row>();
    select_ = &statements_.Get(sql::SelectByKey(table), table.Types(kKey));
  }
  Bind<kKey>(*select_, 0, key);
  const std::optional<Row> row = FirstRow<Row>(*select_);
  if (row) Hold(text, *row);
  return Held(text);
}

template <class Row>
const Row* RowCache<Row>::Insert(const Row& row) {
  const std::int64_t id = ids_.Next();
  Row& held = rows_[id].row;
  held = row;
  held.ID = id;
  std::string key(KeyOf(held));
  idByKey_[key] = id;
  pending_.push_back(PendingRow{id, std::move(key)});
  return &held;
}

template <class Row>
void RowCache<Row>::Write(const Row& row) {
  // Only the state columns change; a row not held yet is taken whole.
  const std::int64_t id = ids_.Resolved(row.ID);
  const auto [held, added] = rows_.try_emplace(id);
  Slot& slot = held->second;
  if (added)
    slot.row = row;
  else
    AssignColumns<kState>(slot.row, row);
  slot.row.ID = id;
  if (id < 0) return;  // still to be inserted, with its latest values
  if (!slot.dirty) {
    slot.dirty = true;
    dirty_.push_back(id);
  }
}

template <class Row>
void RowCache<Row>::InsertPending() {
  const TableSpec& table = SpecOf<Row>();
  constexpr unsigned kInserted = kInsert | kState;  // a held row has its latest values
  const std::vector<odbc::ParamType> types = table.Types(kInserted);
  std::size_t done = 0;
  while (done < pending_.size()) {
    // Full batches, then the rest in falling powers of two: few statements for any count,
    // and only a few differently sized ones to prepare.
    std::size_t rows = std::min(batchRows_, pending_.size() - done);
    if (rows < batchRows_) rows = std::bit_floor(rows);
    std::vector<odbc::ParamType> all;
    for (std::size_t r = 0; r < rows; ++r) all.insert(all.end(), types.begin(), types.end());
    // PostgreSQL returns the new IDs; the SQLite driver returns no rows from an INSERT,
    // so there the rows above the largest ID before are read back: SQLite gives the rows
    // of one INSERT ascending IDs above every existing one.
    std::int64_t before = 0;
    if (!dialect_.ReturnsIds()) {
      odbc::Statement& max = statements_.Get("SELECT MAX(ID) FROM " + table.name, {});
      max.Execute();
      if (max.Fetch()) before = max.GetInteger(0);
      max.CloseCursor();
    }
    odbc::Statement& insert = statements_.Get(sql::InsertRows(table, kInserted, rows, dialect_) +
                                                  (dialect_.ReturnsIds() ? " RETURNING ID" : ""),
                                              all);
    for (std::size_t r = 0; r < rows; ++r)
      Bind<kInserted>(insert, r * types.size(), rows_.at(pending_[done + r].placeholder).row);
    insert.Execute();
    odbc::Statement* ids = &insert;
    if (!dialect_.ReturnsIds()) {
      ids = &statements_.Get("SELECT ID FROM " + table.name + " WHERE ID > ? ORDER BY ID",
                             {odbc::ParamType::Integer});
      ids->SetInteger(0, before);
      ids->Execute();
    }
    // The new rows come back in the order of the VALUES.
    for (std::size_t r = 0; r < rows; ++r) {
      if (!ids->Fetch()) throw Error("No ID came back for a new row of " + table.name);
      const std::int64_t id = ids->GetInteger(0);
      const PendingRow& pending = pending_[done + r];
      ids_.Learn(pending.placeholder, id);
      Row row = rows_.at(pending.placeholder).row;
      rows_.erase(pending.placeholder);
      row.ID = id;
      rows_[id].row = row;
      idByKey_[pending.key] = id;
    }
    if (ids->Fetch()) throw Error("More new rows than inserted in " + table.name);
    done += rows;
  }
  pending_.clear();
}

template <class Row>
void RowCache<Row>::WriteChanged() {
  const TableSpec& table = SpecOf<Row>();
  constexpr std::size_t kColumns = 1 + CountColumns<Row>(kState);  // ID first
  if constexpr (kColumns > 1) {
    std::size_t done = 0;
    while (done < dirty_.size()) {
      const std::size_t rows = std::min(batchRows_, dirty_.size() - done);
      std::vector<odbc::ParamType> types;
      const std::string text = sql::UpdateRows(table, rows, dialect_, types);
      odbc::Statement& update = statements_.Get(text, types);
      for (std::size_t r = 0; r < rows; ++r) {
        const Row& row = rows_.at(dirty_[done + r]).row;
        update.SetInteger(r * kColumns, row.ID);
        Bind<kState>(update, r * kColumns + 1, row);
      }
      update.Execute();
      done += rows;
    }
  }
  for (const std::int64_t id : dirty_) rows_.at(id).dirty = false;
  dirty_.clear();
}

template <class Row>
void RowCache<Row>::Clear() {
  pending_ = {};
  idByKey_ = {};
  rows_ = {};
  dirty_ = {};
  checked_ = false;
  complete_ = false;
}

template class RowCache<VisitorRow>;
template class RowCache<PageRow>;
template class RowCache<RefRow>;
template class RowCache<DownloadRow>;
template class RowCache<ErrorRow>;

}  // namespace kestrune
