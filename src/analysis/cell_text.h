// The text of one cell of an analysis table, for the grid or for a CSV file. Texts come
// as UTF-8 by the program's one rule (a byte that is not part of valid UTF-8 is read as
// Latin-1). Numbers are written plainly (no thousands separators); the share with two
// decimals; dates in the grid as the program shows dates ("dd-mmm-yyyy"), in a CSV file
// as ISO dates ("yyyy-mm-dd", a time as "yyyy-mm-dd hh:nn:ss"); a date of 0 is empty.
#pragma once

#include <cstddef>
#include <string>

#include "analysis/analysis_table.h"

namespace kestrune {

enum class CellStyle { Grid, Csv };

// `totals` (the one-row totals table, or an empty table) gives the share.
std::string CellText(const AnalysisTable& table, std::size_t row, int column,
                     const AnalysisTable& totals, CellStyle style);

// `text` for the grid: UTF-8 by the rule above, each control character (below 0x20, and
// 0x7F) shown as its visible symbol of the Control Pictures block (U+2400...), so that a
// key stays on one line and shows every byte it holds.
std::string GridText(std::string_view text);

}  // namespace kestrune
