// The .xlsx writer on libxlsxwriter. Rows go out in order in its constant-memory mode
// (strings inline), so a sheet of 100,000 rows never sits in memory twice.
#include <xlsxwriter.h>

#include "export/workbook_model.h"
#include "export/workbook_writer.h"
#include "util/utf8.h"

namespace kestrune {

namespace {

// Log texts are 8-bit: valid UTF-8 passes unchanged, any other byte is taken as the
// Latin-1 character of that code. Control characters other than tab, line feed and
// carriage return (which XML cannot carry) are written as U+FFFD.
std::string CellText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
        out += "\xEF\xBF\xBD";
      else
        out += static_cast<char>(c);
      ++i;
    } else {
      char32_t code = 0;
      std::size_t n = DecodeUtf8(text.substr(i), code);
      if (n == 0) {
        code = c;  // not UTF-8: the Latin-1 character of the byte
        n = 1;
      }
      AppendUtf8(out, code);
      i += n;
    }
  }
  return out;
}

// Whether `text` can go out as it is: printable ASCII, tab, line feed, carriage return.
bool PlainText(std::string_view text) {
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x80 || (u < 0x20 && c != '\t' && c != '\n' && c != '\r')) return false;
  }
  return true;
}

class XlsxWriter : public WorkbookWriter {
 public:
  std::string Version() const override { return std::string("libxlsxwriter ") + LXW_VERSION; }

  void Write(const ModelWorkbook& book, const std::string& fileName) override {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(fileName.c_str(), &options);
    if (workbook == nullptr) throw AutomationError("Cannot create the workbook file.");
    lxw_format* date = workbook_add_format(workbook);
    format_set_num_format(date, "dd-mmm-yyyy");
    lxw_format* duration = workbook_add_format(workbook);
    format_set_num_format(duration, "[hh]:mm:ss");

    lxw_error failure = LXW_NO_ERROR;
    for (int s = 0; s < book.SheetCount() && failure == LXW_NO_ERROR; ++s) {
      const ModelWorksheet& sheet = book.Sheet(s);
      const std::string name = CellText(sheet.Name());
      lxw_worksheet* out = workbook_add_worksheet(workbook, name.c_str());
      if (out == nullptr) {
        failure = LXW_ERROR_SHEETNAME_ALREADY_USED;
        break;
      }
      if (s == book.ActiveIndex()) worksheet_activate(out);
      for (const auto& [column, width] : sheet.ColumnWidths())
        worksheet_set_column(out, static_cast<lxw_col_t>(column - 1),
                             static_cast<lxw_col_t>(column - 1), width, nullptr);
      const CellArea& selected = sheet.Selection();
      worksheet_set_selection(out, static_cast<lxw_row_t>(selected.firstRow - 1),
                              static_cast<lxw_col_t>(selected.firstColumn - 1),
                              static_cast<lxw_row_t>(selected.lastRow - 1),
                              static_cast<lxw_col_t>(selected.lastColumn - 1));
      failure = WriteCells(sheet, out, date, duration);
    }
    const lxw_error closing = workbook_close(workbook);
    if (failure == LXW_NO_ERROR) failure = closing;
    if (failure != LXW_NO_ERROR)
      throw AutomationError(std::string("Cannot write the workbook: ") + lxw_strerror(failure));
  }

 private:
  static lxw_error WriteCells(const ModelWorksheet& sheet, lxw_worksheet* out, lxw_format* date,
                              lxw_format* duration) {
    for (int r = 1; r <= sheet.RowCount(); ++r) {
      const std::vector<Cell>& cells = sheet.Row(r);
      const auto row = static_cast<lxw_row_t>(r - 1);
      for (std::size_t c = 0; c < cells.size(); ++c) {
        const Cell& cell = cells[c];
        const auto column = static_cast<lxw_col_t>(c);
        lxw_error error = LXW_NO_ERROR;
        switch (cell.kind) {
          case CellKind::Empty:
            break;
          case CellKind::Number:
            error = worksheet_write_number(out, row, column, cell.number, nullptr);
            break;
          case CellKind::Date:
            error = worksheet_write_number(out, row, column, cell.number, date);
            break;
          case CellKind::Duration:
            error = worksheet_write_number(out, row, column, cell.number, duration);
            break;
          case CellKind::Text: {
            // Always a string: a text beginning with "=" never becomes a formula.
            const std::string& text = sheet.Text(cell);
            error = PlainText(text)
                        ? worksheet_write_string(out, row, column, text.c_str(), nullptr)
                        : worksheet_write_string(out, row, column, CellText(text).c_str(), nullptr);
            break;
          }
        }
        if (error != LXW_NO_ERROR) return error;
      }
    }
    return LXW_NO_ERROR;
  }
};

}  // namespace

std::unique_ptr<WorkbookWriter> MakeXlsxWriter() {
  return std::make_unique<XlsxWriter>();
}

}  // namespace kestrune
