// The IIS W3C extended line: the column map that "#Fields:" lines set, and the parse of
// one line into a LogEntry. The map starts every file at its default positions; a fields
// line moves the columns it names and leaves the others where they were.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "stats/log_entry.h"

namespace kestrune {

// The known columns, in the order of their default positions.
enum IISColumn : int {
  kColDate,
  kColTime,
  kColClientIP,
  kColServerIP,
  kColMethod,
  kColUriStem,
  kColStatus,
  kColBytes,
  kColTimeTaken,
  kColServerPort,
  kColVersion,
  kColUserAgent,
  kColReferer,
  kIISColumnCount
};

class IISColumnMap {
 public:
  IISColumnMap() { Reset(); }

  // The default positions.
  void Reset();

  // Learns the order from the text after the "Fields:" word: each space-separated name
  // takes the next position (from 0), known or not; known names (any letter case) move
  // their column there.
  void LearnFields(std::string_view names);

  int Position(IISColumn column) const { return positions_[column]; }

  // The columns at `position`, one bit per IISColumn.
  std::uint32_t ColumnsAt(std::size_t position) const {
    return position < byPosition_.size() ? byPosition_[position] : 0;
  }

  // The highest position of any column.
  std::size_t LastPosition() const { return lastPosition_; }

  // The upper-case name of a column, e.g. "CS-URI-STEM".
  static std::string_view Name(IISColumn column);

 private:
  void Index();

  std::array<int, kIISColumnCount> positions_{};
  // A line holds at most 255 characters, so no position reaches this size.
  std::array<std::uint32_t, 256> byPosition_{};
  std::size_t lastPosition_ = 0;
};

enum class LineKind {
  kComment,  // counted as a comment (and ignored)
  kBlank,    // nothing to count beyond the line itself
  kEntry,    // the entry is filled and goes to AddStats
};

class IISLineParser {
 public:
  // Starts a file: the columns go back to their default positions.
  void StartFile();

  // Parses one line as read from the file (any length, any bytes): the line is cut to
  // 255 characters and loses its control characters (codes 0 to 31). A "#" line is a
  // comment and teaches the column map when it is a fields line; a data line fills
  // `entry`. Throws LineError for a date or time that is no valid calendar date and time
  // of day (an empty date included).
  LineKind Parse(std::string_view rawLine, LogEntry& entry);

  const IISColumnMap& Columns() const { return columns_; }

 private:
  void ConvertDateTime(LogEntry& entry, std::string_view timeText);

  IISColumnMap columns_;
  char line_[256] = {};
  // The last date text and its value: the lines of one day share it.
  std::string lastDate_;
  double lastDateValue_ = 0;
  bool lastDateValid_ = false;
};

}  // namespace kestrune
