#include "storage/log_arrays.h"

#include <charconv>
#include <string_view>
#include <unordered_map>

#include "storage/row_binding.h"

namespace kestrune {
namespace {

// Array literals of PostgreSQL: one element after another, "{a,b,...}".
void AppendElement(std::string& array, std::string_view element) {
  array += array.size() > 1 ? "," : "";
  array += element;
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

void AppendValue(std::string& array, const std::string& text) {
  AppendQuoted(array, text);
}

void AppendValue(std::string& array, bool value) {
  AppendElement(array, value ? "t" : "f");
}

void AppendValue(std::string& array, std::int64_t value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  AppendElement(array, std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

// The date-time as a timestamp parameter gives it (to the millisecond), NULL for 0.
void AppendValue(std::string& array, double value) {
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

// The catalogue's types (format_type) whose columns take the elements of an array of a
// parameter type as they take the parameter.
std::vector<std::string_view> TypesTaking(odbc::ParamType type) {
  switch (type) {
    case odbc::ParamType::Integer:
      return {"bigint", "integer", "smallint"};
    case odbc::ParamType::Boolean:
      return {"boolean"};
    case odbc::ParamType::DateTime:
      return {"timestamp"};
    default:
      return {"character varying", "text"};
  }
}

bool Takes(std::string_view type, odbc::ParamType parameter) {
  for (std::string_view allowed : TypesTaking(parameter)) {
    if (type.compare(0, allowed.size(), allowed) != 0) continue;
    // "timestamp(3) without time zone" but not "... with time zone"; "character
    // varying(255)" but not "character varying[]".
    const std::string_view rest = type.substr(allowed.size());
    const bool fits = allowed == "timestamp"
                          ? rest.find("without time zone") != std::string_view::npos &&
                                rest.find('[') == std::string_view::npos
                          : rest.empty() || (rest.front() == '(' && rest.back() == ')');
    if (fits) return true;
  }
  return false;
}

}  // namespace

bool LogArrays::Fit(odbc::Connection& connection) {
  std::unordered_map<std::string, std::string> types;
  odbc::Statement query(connection);
  query.ExecuteDirect(
      "SELECT a.attname, format_type(a.atttypid, a.atttypmod) FROM pg_attribute a "
      "WHERE a.attrelid = to_regclass('tbllogs') AND a.attnum > 0 AND NOT a.attisdropped");
  while (query.Fetch()) {
    std::string name = query.GetText(0);
    types[std::move(name)] = query.GetText(1);
  }
  // Another type, or a missing column, keeps VALUES.
  for (const ColumnSpec& column : SpecOf<LogRow>().columns) {
    std::string name = column.name;  // as PostgreSQL folds an unquoted name
    for (char& c : name) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    const auto found = types.find(name);
    if (found == types.end() || !Takes(found->second, column.type)) return false;
  }
  return true;
}

void LogArrays::Insert(const LogRow* rows, std::size_t count) {
  const TableSpec& table = SpecOf<LogRow>();
  if (insert_ == nullptr) {
    std::string casts;
    for (const ColumnSpec& column : table.columns)
      casts += (casts.empty() ? "CAST(? AS " : ", CAST(? AS ") +
               std::string(SqlDialect::TypeName(column.type)) + "[])";
    insert_ = &statements_.Get(
        "INSERT INTO " + table.name + " (" + table.Names(kAll) + ") SELECT * FROM unnest(" + casts +
            ")",
        std::vector<odbc::ParamType>(table.columns.size(), odbc::ParamType::LongText));
  }
  for (std::string& array : arrays_) array = "{";
  arrays_.resize(table.columns.size(), "{");
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t c = 0;
    ForEachColumn<LogRow, kAll>(
        [&](const auto& column) { AppendValue(arrays_[c++], rows[i].*column.field); });
  }
  for (std::size_t c = 0; c < arrays_.size(); ++c) {
    arrays_[c] += '}';
    insert_->SetLongText(c, arrays_[c]);
  }
  insert_->Execute();
}

}  // namespace kestrune
