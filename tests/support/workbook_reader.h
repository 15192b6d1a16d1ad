// Reads an .xlsx file back with an independent reader: tests/support/read_workbook.py
// (python3-openpyxl) prints its sheets, cells and column widths, which this parses.
#pragma once

#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "util/utf8.h"

namespace kestrune::test {

struct CellDump {
  char kind = 0;      // n number, d date, t duration, s text, f formula, b boolean
  std::string value;  // text as it is; numbers in decimal; dates "YYYY-MM-DD"; seconds
};

struct SheetDump {
  std::string name;
  bool active = false;
  std::map<std::string, CellDump> cells;  // by address, e.g. "A1"
  std::map<std::string, double> widths;   // fitted columns, by letter

  // The cell's value ("" when empty) and kind (0 when empty).
  std::string Value(const std::string& address) const {
    const auto it = cells.find(address);
    return it == cells.end() ? std::string() : it->second.value;
  }
  char Kind(const std::string& address) const {
    const auto it = cells.find(address);
    return it == cells.end() ? 0 : it->second.kind;
  }
  // The values of one column from row `first` to `last`.
  std::vector<std::string> Column(const std::string& letter, int first, int last) const {
    std::vector<std::string> out;
    for (int r = first; r <= last; ++r) out.push_back(Value(letter + std::to_string(r)));
    return out;
  }
};

// One entry of the zip container: its compression method (8 deflate) and deflate option
// (0 normal, 1 maximum, 2 fast, 3 fastest).
struct EntryDump {
  int method = -1;
  int speed = -1;
};

struct WorkbookDump {
  std::vector<SheetDump> sheets;
  std::map<std::string, EntryDump> entries;  // by name, e.g. "xl/worksheets/sheet1.xml"
  int status = -1;  // the reader's exit status; 0 when the file could be read
  std::vector<std::string> Names() const {
    std::vector<std::string> out;
    for (const SheetDump& s : sheets) out.push_back(s.name);
    return out;
  }
  const SheetDump& Sheet(const std::string& name) const {
    for (const SheetDump& s : sheets)
      if (s.name == name) return s;
    throw std::runtime_error("no sheet " + name);
  }
};

namespace workbook_reader_detail {

// A JSON value as printed by the script: a string (decoded) or a number (as printed).
inline std::string JsonValue(const std::string& text) {
  if (text.empty() || text.front() != '"') return text;
  std::string out;
  for (std::size_t i = 1; i + 1 < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    const char e = text[++i];
    switch (e) {
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'b':
        out += '\b';
        break;
      case 'f':
        out += '\f';
        break;
      case 'u': {
        unsigned code = static_cast<unsigned>(std::stoul(text.substr(i + 1, 4), nullptr, 16));
        i += 4;
        if (code >= 0xD800 && code < 0xDC00 && text.compare(i + 1, 2, "\\u") == 0) {
          const unsigned low =
              static_cast<unsigned>(std::stoul(text.substr(i + 3, 4), nullptr, 16));
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          i += 6;
        }
        AppendUtf8(out, static_cast<char32_t>(code));
        break;
      }
      default:
        out += e;
    }
  }
  return out;
}

inline std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
    out.push_back(line.substr(start, tab - start));
  out.push_back(line.substr(start));
  return out;
}

}  // namespace workbook_reader_detail

inline WorkbookDump ReadWorkbook(const std::string& file) {
  using namespace workbook_reader_detail;
  WorkbookDump dump;
  const std::string command = "/usr/bin/python3 '" KESTRUNE_SOURCE_DIR
                              "/tests/support/read_workbook.py' '" +
                              file + "' 2>&1";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return dump;
  std::string text;
  char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  dump.status = ::pclose(pipe);
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::vector<std::string> f = Fields(text.substr(start, end - start));
    if (f[0] == "sheet" && f.size() == 4) {
      dump.sheets.push_back(SheetDump{JsonValue(f[2]), f[3] == "1", {}, {}});
    } else if (f[0] == "cell" && f.size() == 4 && !dump.sheets.empty()) {
      dump.sheets.back().cells[f[1]] = CellDump{f[2].at(0), JsonValue(f[3])};
    } else if (f[0] == "width" && f.size() == 3 && !dump.sheets.empty()) {
      dump.sheets.back().widths[f[1]] = std::stod(f[2]);
    } else if (f[0] == "entry" && f.size() == 4) {
      dump.entries[f[1]] = EntryDump{std::stoi(f[2]), std::stoi(f[3])};
    }
  }
  if (dump.status != 0)
    std::fprintf(stderr, "read_workbook.py %s:\n%s\n", file.c_str(), text.c_str());
  return dump;
}

}  // namespace kestrune::test
