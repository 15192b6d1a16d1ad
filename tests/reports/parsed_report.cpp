#include "parsed_report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>

namespace kestrune::test {

namespace {

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    parts.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) return parts;
    start = tab + 1;
  }
}

bool HasClass(const std::string& list, const std::string& cssClass) {
  std::istringstream words(list);
  for (std::string word; words >> word;)
    if (word == cssClass) return true;
  return false;
}

}  // namespace

const ParsedTable& ParsedReport::Table(const std::string& cssClass) const {
  for (const ParsedTable& t : tables)
    if (HasClass(t.cssClass, cssClass)) return t;
  ADD_FAILURE() << "no table of class " << cssClass;
  static const ParsedTable kNone;
  return kNone;
}

int ParsedReport::Count(const std::string& cssClass) const {
  int n = 0;
  for (const ParsedTable& t : tables) n += HasClass(t.cssClass, cssClass);
  return n;
}

ParsedReport ReadReport(const std::string& path, bool lenient) {
  const std::string command = "/usr/bin/python3 " + std::string(KESTRUNE_SOURCE_DIR) +
                              "/tests/reports/read_report.py " + (lenient ? "--lenient " : "") +
                              "'" + path + "'";
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> pipe(::popen(command.c_str(), "r"), &::pclose);
  ParsedReport report;
  if (!pipe) {
    ADD_FAILURE() << "cannot run " << command;
    return report;
  }
  std::string output;
  char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;)
    output.append(buffer, n);
  EXPECT_FALSE(output.empty()) << command;
  std::istringstream lines(output);
  bool inChart = false;
  for (std::string line; std::getline(lines, line);) {
    if (line.empty()) continue;
    std::vector<std::string> f = SplitTabs(line);
    const std::string& kind = f[0];
    if (kind == "error") {
      report.errors.push_back(f.size() > 1 ? f[1] : "");
    } else if (kind == "table") {
      report.tables.push_back({f.size() > 1 ? f[1] : "", {}, {}, {}});
      inChart = false;
    } else if (kind == "head" && !report.tables.empty()) {
      report.tables.back().head.assign(f.begin() + 1, f.end());
    } else if (kind == "row" && !report.tables.empty() && f.size() > 1) {
      auto& rows = f[1] == "tfoot" ? report.tables.back().foot : report.tables.back().body;
      rows.emplace_back(f.begin() + 2, f.end());
    } else if (kind == "svg") {
      ParsedChart chart;
      chart.cssClass = f.size() > 1 ? f[1] : "";
      chart.plotHeight = f.size() > 2 && !f[2].empty() ? std::stod(f[2]) : 0;
      report.charts.push_back(chart);
      inChart = true;
    } else if (kind == "series" && inChart && f.size() > 2) {
      (f[1] == "bars hits" ? report.charts.back().hitsMax : report.charts.back().trafficMax) =
          std::stod(f[2]);
    } else if (kind == "bar" && inChart && f.size() > 2) {
      report.charts.back().bars.push_back({f[1], std::stod(f[2]), f.size() > 3 ? f[3] : ""});
    } else if (kind == "text" && inChart) {
      report.charts.back().texts.push_back(f.size() > 1 ? f[1] : "");
    }
  }
  return report;
}

}  // namespace kestrune::test
