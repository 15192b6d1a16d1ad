// WorkbookWriter: turns a workbook of the in-memory model into a file. The program's
// writer produces .xlsx with libxlsxwriter (xlsx_writer.cpp); tests may pass another.
#pragma once

#include <memory>
#include <string>

namespace kestrune {

class ModelWorkbook;

class WorkbookWriter {
 public:
  virtual ~WorkbookWriter() = default;
  // What the writer is, e.g. "libxlsxwriter 1.1.4".
  virtual std::string Version() const = 0;
  // Writes `book` to `fileName`, replacing it; throws AutomationError on failure.
  virtual void Write(const ModelWorkbook& book, const std::string& fileName) = 0;
};

std::unique_ptr<WorkbookWriter> MakeXlsxWriter();

}  // namespace kestrune
