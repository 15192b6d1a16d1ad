// An HTML report as read_report.py (Python's html.parser) reads it back: its tables with
// their rows of cell texts, its charts with their bars, and what is not well-formed.
#pragma once

#include <string>
#include <vector>

namespace kestrune::test {

struct ParsedTable {
  std::string cssClass;
  std::vector<std::string> head;
  std::vector<std::vector<std::string>> body;  // tbody rows
  std::vector<std::vector<std::string>> foot;  // tfoot rows
};

struct ParsedBar {
  std::string series;  // "bars hits" or "bars traffic"
  double height = 0;
  std::string tooltip;
};

struct ParsedChart {
  std::string cssClass;
  double plotHeight = 0;
  double hitsMax = 0, trafficMax = 0;
  std::vector<ParsedBar> bars;  // the legend's swatches are left out
  std::vector<std::string> texts;
};

struct ParsedReport {
  std::vector<std::string> errors;
  std::vector<ParsedTable> tables;
  std::vector<ParsedChart> charts;

  // The first table whose class list holds `cssClass`; fails the test when there is none.
  const ParsedTable& Table(const std::string& cssClass) const;
  int Count(const std::string& cssClass) const;
};

// Reads `path`; `lenient` accepts bytes that are not UTF-8 (the 39 placeholders write log
// texts as they are).
ParsedReport ReadReport(const std::string& path, bool lenient = false);

}  // namespace kestrune::test
