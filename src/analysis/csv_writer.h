// CsvWriter: an analysis table as a CSV file (RFC 4180): UTF-8 without a byte-order
// mark, fields separated by commas, records ended by CR LF, a header row of the column
// titles, then the rows (the totals row is not written; the share is taken of it).
// A field that holds a comma, a double quote, a line break or another control character
// is quoted, its quotes doubled. A text field that begins with "=", "+", "-", "@" or a
// control character (a tab, a CR...) gets an apostrophe in front, so that a spreadsheet
// (LibreOffice, Excel) opens it as text and never as a formula; numbers are written as
// numbers. The file is written under a temporary name and renamed onto the target only
// when complete (util/atomic_file.h); a target that is a symbolic link is refused.
#pragma once

#include <string>
#include <string_view>

#include "analysis/analysis_table.h"
#include "util/atomic_file.h"

namespace kestrune {

// One field as the file holds it.
std::string CsvField(std::string_view text, bool isText);

class CsvWriter {
 public:
  explicit CsvWriter(std::string path);

  // Creates the temporary file and writes the header row of `columns`' titles. False
  // with `error` set when the target is a link or the folder cannot be written.
  bool Open(const AnalysisTable& columns, std::string& error);
  // Appends the rows of `rows`; `totals` gives the share.
  bool Write(const AnalysisTable& rows, const AnalysisTable& totals, std::string& error);
  // Renames the finished file onto the target.
  bool Commit(std::string& error);

 private:
  std::string path_;
  AtomicFile file_;
  std::string buffer_;
};

// The whole of `rows` to `path`; false with `error` set.
bool WriteCsvFile(const std::string& path, const AnalysisTable& rows, const AnalysisTable& totals,
                  std::string& error);

}  // namespace kestrune
