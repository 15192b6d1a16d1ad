#include "logfiles/log_readers.h"

#include <cstdint>
#include <limits>

#include "logfiles/iis_line.h"
#include "logfiles/line_error.h"
#include "logfiles/line_reader.h"
#include "logfiles/unix_line.h"
#include "util/path.h"

namespace kestrune {

namespace {

// How far a byte count is shifted right so that the file's size fits a progress int.
int ProgressShift(std::uint64_t size) {
  int shift = 0;
  while ((size >> shift) > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) ++shift;
  return shift;
}

// The loop both readers share: status, a counting pass for the progress display, then
// every line: counted, parsed by `parser`, accumulated, shown. A LineError leaves as an
// Error that names the line and the file.
template <class Parser>
int ScanFile(const std::string& fileName, const char* statusText, bool addToDb,
             ReaderContext& context, Parser& parser) {
  ReaderHost& host = context.host;
  clsImportStats& stats = context.stats;
  if (!FileExists(fileName)) {
    host.Status("File not found: " + fileName);
    return 0;
  }
  host.Status(statusText + fileName);
  LineReader reader(fileName, 255, LineReader::kDefaultBufferSize, context.byteLimit);
  const bool byBytes = reader.Compressed();
  const int shift = byBytes ? ProgressShift(reader.FileSize()) : 0;
  host.InitProgress(byBytes ? static_cast<int>(reader.FileSize() >> shift) : reader.CountLines());

  LogEntry entry;  // one record for the whole file: its texts keep their capacity
  std::string_view line;
  int index = 0;
  for (; reader.Next(line); ++index) {
    ++stats.Entries;
    host.SetProgress(byBytes ? static_cast<int>(reader.FilePosition() >> shift) : index);
    LineKind kind;
    try {
      kind = parser.Parse(line, entry);
    } catch (const LineError& error) {
      throw Error(std::string(error.what()) + " in line " + std::to_string(index + 1) + " of " +
                  EscapeControlCharacters(fileName, false));
    }
    if (kind == LineKind::kComment) {
      ++stats.Comments;
      ++stats.Ignored;
    } else if (kind == LineKind::kEntry) {
      AddStats(stats, addToDb && index >= context.storeFromLine, entry, context.store);
    }
    host.ShowStats();
  }
  host.EndProgress();
  return index;
}

}  // namespace

int ScanIISFile(const std::string& fileName, bool addToDb, ReaderContext& context) {
  IISLineParser parser;
  parser.StartFile();
  return ScanFile(fileName, "Importing IIS file ", addToDb, context, parser);
}

int ScanUnixFile(const std::string& fileName, const std::string& siteIP, bool addToDb,
                 ReaderContext& context) {
  UnixLineParser parser(siteIP, context.unixOptions);
  return ScanFile(fileName, "Importing UNIX file ", addToDb, context, parser);
}

}  // namespace kestrune
