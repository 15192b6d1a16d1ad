// What a cell makes of a text assigned to it, as a spreadsheet does with typed text: a
// whole number becomes a number, "dd-mmm-yyyy" a date, "hh:nn:ss" (any hour count) a
// duration, everything else stays text. A text beginning with "=" stays text too: cells
// are filled from log texts, and a formula from them would run in the reader's sheet.
#pragma once

#include <cstdint>
#include <string_view>

namespace kestrune {

enum class CellKind : std::uint8_t { Empty, Number, Date, Duration, Text };

struct TypedValue {
  CellKind kind = CellKind::Text;
  // Number: the value; Date: days since 30 December 1899; Duration: days (fraction).
  double number = 0;
};

// Whole numbers of at most 15 digits (so that every digit is kept), without a leading
// zero ("0" itself aside), with an optional "-". Dates in the locale's month names from
// 1 March 1900 on (earlier ones have no faithful date value in a workbook) stay text
// before that. Durations: one or more hour digits, two-digit minutes and seconds < 60.
TypedValue TypeOfText(std::string_view text);

}  // namespace kestrune
