// The workbook export: the ten sheets of the statistics ("Statistics", "Files", "Pages",
// "Users", "Ignored IP", "Ignored types", "Download types", "User agents", "Referers",
// "Errors") written cell by cell through the object model, and the helpers it uses for
// every sheet. Nothing here catches an error: the first failing call ends the export
// (export_run.h), and what was written stays.
#pragma once

#include <string>

#include "export/export_host.h"
#include "export/object_model.h"
#include "export/sheet_text.h"
#include "reports/panel_texts.h"
#include "stats/import_stats.h"

namespace kestrune {

// What the export reads: the panel texts as shown, and the model.
struct ExportSource {
  const PanelTexts& panel;
  const clsImportStats& stats;
};

// The state the helpers share during one export.
struct ExportContext {
  Workbook& workbook;
  ExportHost& host;
};

// Writes `text` into the cell `column` + `row` ("A" and 2 give A2).
void WriteCell(Worksheet& sheet, const char* column, int row, const std::string& text);

// The worksheet at `position` (1-based): the workbook's own while it has that many,
// else a new one after `previous`; named, activated, and announced in the status line.
Worksheet& OpenSheet(ExportContext& context, int position, const std::string& name,
                     Worksheet* previous);

// Row 1 of an item sheet: the key title, "Hits", "Sessions", "Traffic", "Last",
// "Time spent", "Time taken".
void WriteItemHeader(const std::string& keyTitle, Worksheet& sheet);

// Columns A to G of row index + 2 for the list entry at `index` (only A for an entry
// without an object); nothing for an empty key (false). The progress moves to `index`
// and pending messages get through in every case.
template <class T>
bool WriteItemRow(ExportContext& context, Worksheet& sheet, const KeyedList<T>& list, int index);

// A whole item sheet: header, every row in list order, columns A:G fitted.
template <class T>
void ExportItemList(ExportContext& context, const std::string& keyTitle, Worksheet& sheet,
                    const KeyedList<T>& list);

// Sorts all rows but the first by hits (descending), traffic (descending), key
// (ascending), then selects A1.
void SortSheet(Worksheet& sheet);

// Everything between the creation of the workbook and "Completed exporting
// statistics.": the ten sheets, then the statistics sheet activated again.
void ExportStatistics(ExportContext& context, const ExportSource& source);

}  // namespace kestrune
