// Row binding: a row's columns, as TableOf<Row> lists them, bound to the parameters of a
// statement, read from a result, compared and turned into a cache key, without naming a
// column; and SpecOf<Row>(), the description as names and types for the SQL text.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "storage/odbc.h"
#include "storage/table_schema.h"
#include "storage/table_sql.h"

namespace kestrune {

namespace detail {
template <class Row, unsigned Roles, std::size_t I, class F>
void VisitColumn(F& f) {
  constexpr auto& column = std::get<I>(TableOf<Row>::table.columns);
  if constexpr ((column.roles & Roles) != 0) f(column);
}
template <class Row, unsigned Roles, class F, std::size_t... I>
void VisitColumns(F& f, std::index_sequence<I...>) {
  (VisitColumn<Row, Roles, I>(f), ...);
}
}  // namespace detail

// Calls f(column) for each column of Row's table with one of `Roles`, in order; the
// choice is made at compile time.
template <class Row, unsigned Roles, class F>
void ForEachColumn(F&& f) {
  using Columns = std::decay_t<decltype(TableOf<Row>::table.columns)>;
  detail::VisitColumns<Row, Roles>(f, std::make_index_sequence<std::tuple_size_v<Columns>>{});
}

// How many columns of Row's table have one of `roles`.
template <class Row>
constexpr std::size_t CountColumns(unsigned roles) {
  return std::apply(
      [&](const auto&... column) { return ((column.roles & roles ? 1u : 0u) + ... + 0u); },
      TableOf<Row>::table.columns);
}

template <class V>
constexpr odbc::ParamType ParamTypeOf() {
  if constexpr (std::is_same_v<V, std::string>)
    return odbc::ParamType::Text;
  else if constexpr (std::is_same_v<V, bool>)
    return odbc::ParamType::Boolean;
  else if constexpr (std::is_same_v<V, std::int64_t>)
    return odbc::ParamType::Integer;
  else {
    static_assert(std::is_same_v<V, TDateTime>, "a column is text, integer, boolean or date-time");
    return odbc::ParamType::DateTime;
  }
}

template <class Row>
const TableSpec& SpecOf() {
  static const TableSpec spec = [] {
    TableSpec table{TableOf<Row>::table.name, {}};
    ForEachColumn<Row, kAll>([&](const auto& column) {
      using V = typename std::decay_t<decltype(column)>::Value;
      table.columns.push_back({column.name, ParamTypeOf<V>(), column.roles});
    });
    return table;
  }();
  return spec;
}

inline void SetParameter(odbc::Statement& s, std::size_t i, const std::string& v) {
  s.SetText(i, v);
}
inline void SetParameter(odbc::Statement& s, std::size_t i, std::int64_t v) {
  s.SetInteger(i, v);
}
inline void SetParameter(odbc::Statement& s, std::size_t i, bool v) {
  s.SetBoolean(i, v);
}
inline void SetParameter(odbc::Statement& s, std::size_t i, double v) {
  s.SetDateTime(i, v);
}
inline void GetColumn(odbc::Statement& s, int c, std::string& v) {
  v = s.GetText(c);
}
inline void GetColumn(odbc::Statement& s, int c, std::int64_t& v) {
  v = s.GetInteger(c);
}
inline void GetColumn(odbc::Statement& s, int c, bool& v) {
  v = s.GetBoolean(c);
}
inline void GetColumn(odbc::Statement& s, int c, double& v) {
  v = s.GetDateTime(c);
}

// Sets the columns of `row` with one of `Roles` as the parameters from `first` on.
template <unsigned Roles, class Row>
void Bind(odbc::Statement& s, std::size_t first, const Row& row) {
  ForEachColumn<Row, Roles>(
      [&](const auto& column) { SetParameter(s, first++, row.*column.field); });
}

// Copies the columns with one of `Roles` of `from` into `to`.
template <unsigned Roles, class Row>
void AssignColumns(Row& to, const Row& from) {
  ForEachColumn<Row, Roles>([&](const auto& column) { to.*column.field = from.*column.field; });
}

// The row a SELECT of ID and all the columns stands on.
template <class Row>
Row ReadRow(odbc::Statement& s) {
  Row row;
  row.ID = s.GetInteger(0);
  int c = 1;
  ForEachColumn<Row, kAll>([&](const auto& column) { GetColumn(s, c++, row.*column.field); });
  return row;
}

// Runs a SELECT and reads its first row, closing the cursor.
template <class Row>
std::optional<Row> FirstRow(odbc::Statement& select) {
  select.Execute();
  if (!select.Fetch()) return std::nullopt;
  Row row = ReadRow<Row>(select);
  select.CloseCursor();
  return row;
}

// Whether the key columns of `a` and `b` are equal (texts exactly).
template <class Row>
bool SameKey(const Row& a, const Row& b) {
  bool same = true;
  ForEachColumn<Row, kKey>(
      [&](const auto& column) { same = same && a.*column.field == b.*column.field; });
  return same;
}

// The key of `row` as one text: a single key column's text is the row's own (`buffer`
// unused); otherwise it is built in `buffer`, each value preceded by its length, so that
// no two keys differ only in where one value ends.
template <class Row>
std::string_view KeyView(const Row& row, std::string& buffer) {
  constexpr bool single = CountColumns<Row>(kKey) == 1;
  std::string_view view;
  buffer.clear();
  ForEachColumn<Row, kKey>([&](const auto& column) {
    const auto& value = row.*column.field;
    using V = std::decay_t<decltype(value)>;
    if constexpr (single && std::is_same_v<V, std::string>) {
      view = value;
    } else {
      char digits[32];
      std::string_view part;
      if constexpr (std::is_same_v<V, std::string>) {
        part = value;
      } else if constexpr (std::is_same_v<V, bool>) {
        part = value ? "1" : "0";
      } else {
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        part = std::string_view(digits, static_cast<std::size_t>(end - digits));
      }
      if (!single) {
        const auto size = static_cast<std::uint32_t>(part.size());
        char prefix[sizeof size];
        std::memcpy(prefix, &size, sizeof size);
        buffer.append(prefix, sizeof size);
      }
      buffer.append(part);
      view = buffer;
    }
  });
  return view;
}

}  // namespace kestrune
