#include "analysis/cell_text.h"

#include <cmath>
#include <cstdio>

#include "util/datetime.h"
#include "util/utf8.h"

namespace kestrune {
namespace {

std::string Integer(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.0f", value);
  return buffer;
}

std::string Decimal(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

// A time sum: whole seconds plainly, a fraction to the millisecond.
std::string Seconds(double value) {
  if (value == std::floor(value)) return Integer(value);
  return Decimal(value, 3);
}

}  // namespace

std::string GridText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  ForEachCodePoint(text, [&](char32_t code) {
    if (code < 0x20)
      AppendUtf8(out, 0x2400 + code);
    else if (code == 0x7F)
      AppendUtf8(out, 0x2421);
    else
      AppendUtf8(out, code);
  });
  return out;
}

std::string CellText(const AnalysisTable& table, std::size_t row, int column,
                     const AnalysisTable& totals, CellStyle style) {
  const Column& c = table.Columns()[column];
  if (c.kind == CellKind::Text) {
    const std::string_view text = table.Text(row, column);
    return style == CellStyle::Grid ? GridText(text) : Latin1ToUtf8(text);
  }
  const double value = table.Number(row, column);
  switch (c.kind) {
    case CellKind::Count:
    case CellKind::Bytes:
    case CellKind::Code:
      return Integer(value);
    case CellKind::Seconds:
      return Seconds(value);
    case CellKind::Share:
      return Decimal(ShareOf(table, row, totals), 2);
    case CellKind::Date:
      if (value == 0) return "";
      return style == CellStyle::Grid ? FormatDdMmmYyyy(value) : FormatIsoDate(value);
    case CellKind::DateTime:
      if (value == 0) return "";
      return (style == CellStyle::Grid ? FormatDdMmmYyyy(value) : FormatIsoDate(value)) + " " +
             FormatHhNnSs(value);
    case CellKind::Flag:
      return value != 0 ? "Yes" : "No";
    case CellKind::Text:
      break;
  }
  return "";
}

}  // namespace kestrune
