#include "analysis/csv_writer.h"

#include <sys/stat.h>

#include "analysis/cell_text.h"

namespace kestrune {
namespace {

bool IsControl(unsigned char c) {
  return c < 0x20 || c == 0x7F;
}

// Written once the buffer holds this much.
constexpr std::size_t kFlushBytes = 1 << 16;

}  // namespace

std::string CsvField(std::string_view text, bool isText) {
  std::string field;
  if (isText && !text.empty()) {
    const auto first = static_cast<unsigned char>(text.front());
    if (first == '=' || first == '+' || first == '-' || first == '@' || IsControl(first))
      field += '\'';
  }
  field.append(text);
  bool quote = false;
  for (unsigned char c : field)
    if (c == ',' || c == '"' || IsControl(c)) quote = true;
  if (!quote) return field;
  std::string quoted = "\"";
  for (char c : field) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

CsvWriter::CsvWriter(std::string path) : path_(path), file_(std::move(path)) {}

bool CsvWriter::Open(const AnalysisTable& columns, std::string& error) {
  struct stat link {};
  if (::lstat(path_.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    error = "The file is a symbolic link; it is not written through.";
    return false;
  }
  if (!file_.Open(error)) return false;
  buffer_.clear();
  for (int c = 0; c < columns.ColumnCount(); ++c) {
    if (c) buffer_ += ',';
    buffer_ += CsvField(columns.Columns()[c].title, true);
  }
  buffer_ += "\r\n";
  return true;
}

bool CsvWriter::Write(const AnalysisTable& rows, const AnalysisTable& totals, std::string& error) {
  for (std::size_t r = 0; r < rows.RowCount(); ++r) {
    for (int c = 0; c < rows.ColumnCount(); ++c) {
      if (c) buffer_ += ',';
      buffer_ += CsvField(CellText(rows, r, c, totals, CellStyle::Csv), rows.IsText(c));
    }
    buffer_ += "\r\n";
    if (buffer_.size() >= kFlushBytes) {
      if (!file_.Write(buffer_, error)) return false;
      buffer_.clear();
    }
  }
  return true;
}

bool CsvWriter::Commit(std::string& error) {
  if (!buffer_.empty()) {
    if (!file_.Write(buffer_, error)) return false;
    buffer_.clear();
  }
  return file_.Commit(error);
}

bool WriteCsvFile(const std::string& path, const AnalysisTable& rows, const AnalysisTable& totals,
                  std::string& error) {
  CsvWriter writer(path);
  return writer.Open(rows, error) && writer.Write(rows, totals, error) && writer.Commit(error);
}

}  // namespace kestrune
