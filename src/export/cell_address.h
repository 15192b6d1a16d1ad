// A1-style addresses of cells and ranges: "A1", "$B$2", "A1:C3", column ranges "A:G"
// and single columns "B".
#pragma once

#include <optional>
#include <string_view>

#include "export/object_model.h"

namespace kestrune {

// A cell ("A1") or a rectangle ("A1:C3", either corner first); column ranges when
// `columnsAllowed` ("A:G" or "B" give every row of those columns). std::nullopt for a
// text that is none of them or lies outside the sheet.
std::optional<CellArea> ParseAddress(std::string_view address, bool columnsAllowed);

// A column range only: "A:G" or "B".
std::optional<CellArea> ParseColumns(std::string_view columns);

}  // namespace kestrune
