#include "storage/direct_tables.h"

#include "storage/row_binding.h"

namespace kestrune {

template <class Row>
DirectTable<Row>::DirectTable(odbc::Connection& connection)
    : select_(connection), insert_(connection), update_(connection) {
  const TableSpec& table = SpecOf<Row>();
  select_.Prepare(sql::SelectByKey(table), table.Types(kKey));
  insert_.Prepare(sql::Insert(table, kInsert), table.Types(kInsert));
  if (table.Count(kState) == 0) return;  // nothing ever changes in such a row
  std::vector<odbc::ParamType> types = table.Types(kState);
  types.push_back(odbc::ParamType::Integer);  // ID
  update_.Prepare(sql::UpdateState(table), types);
}

template <class Row>
const Row* DirectTable<Row>::Find(const Row& key) {
  Bind<kKey>(select_, 0, key);
  found_ = FirstRow<Row>(select_);
  return found_ ? &*found_ : nullptr;
}

template <class Row>
const Row* DirectTable<Row>::Insert(const Row& row) {
  Bind<kInsert>(insert_, 0, row);
  insert_.Execute();
  return Find(row);
}

template <class Row>
void DirectTable<Row>::Write(const Row& row) {
  constexpr std::size_t kStates = CountColumns<Row>(kState);
  if constexpr (kStates > 0) {
    Bind<kState>(update_, 0, row);
    update_.SetInteger(kStates, row.ID);
    update_.Execute();
  }
}

template class DirectTable<VisitorRow>;
template class DirectTable<PageRow>;
template class DirectTable<RefRow>;
template class DirectTable<DownloadRow>;
template class DirectTable<ErrorRow>;

DirectTables::DirectTables(odbc::Connection& connection)
    : visitors_(connection),
      pages_(connection),
      refs_(connection),
      downloads_(connection),
      errors_(connection),
      insertLog_(connection) {
  const TableSpec& logs = SpecOf<LogRow>();
  insertLog_.Prepare(sql::Insert(logs, kAll), logs.Types(kAll));
}

void DirectTables::AddLog(const LogRow& row) {
  Bind<kAll>(insertLog_, 0, row);
  insertLog_.Execute();
}

}  // namespace kestrune
