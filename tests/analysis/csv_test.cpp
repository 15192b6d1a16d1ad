// The CSV file: the field rules (quoting, the apostrophe before a formula-like text),
// hostile keys written and read back by Python's csv module (as LibreOffice and scripts
// read the file), the header row, and the atomic, link-refusing write.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "analysis/cell_text.h"
#include "analysis/csv_writer.h"
#include "util/datetime.h"

namespace kestrune {
namespace {

class CsvTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kestrune-csv-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string Path(const std::string& name) const { return dir + "/" + name; }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // The records of the file as Python's csv module reads them.
  static std::vector<std::vector<std::string>> ReadWithPython(const std::string& path) {
    const std::string command =
        "/usr/bin/python3 -c \"import csv,sys\n"
        "with open(sys.argv[1], encoding='utf-8', newline='') as f:\n"
        "    for row in csv.reader(f):\n"
        "        print(','.join(x.encode('utf-8').hex() for x in row))\" '" +
        path + "'";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    std::vector<std::vector<std::string>> records;
    if (!pipe) return records;
    char buffer[65536];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
      std::string line(buffer);
      if (!line.empty() && line.back() == '\n') line.pop_back();
      std::vector<std::string> fields;
      std::stringstream in(line);
      for (std::string hex; std::getline(in, hex, ',');) {
        std::string field;
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
          field += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        fields.push_back(field);
      }
      if (!line.empty() && line.back() == ',') fields.emplace_back();
      records.push_back(fields);
    }
    EXPECT_EQ(::pclose(pipe), 0);
    return records;
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string dir;
};

TEST(CsvField, QuotingAndFormulaGuard) {
  struct Case {
    const char* text;
    bool isText;
    const char* field;
  };
  const Case cases[] = {
      {"/index.html", true, "/index.html"},
      {"", true, ""},
      {"a,b", true, "\"a,b\""},
      {"say \"hi\"", true, "\"say \"\"hi\"\"\""},
      {"two\r\nlines", true, "\"two\r\nlines\""},
      {"=SUM(A1:A2)", true, "'=SUM(A1:A2)"},
      {"+1", true, "'+1"},
      {"-1", true, "'-1"},
      {"@cmd", true, "'@cmd"},
      {"=cmd|' /C calc'!A0", true, "'=cmd|' /C calc'!A0"},
      {"\tx", true, "\"'\tx\""},
      {"\rx", true, "\"'\rx\""},
      {"a\x01z", true, "\"a\x01z\""},
      {"<script>alert(1)</script>", true, "<script>alert(1)</script>"},
      {"'quoted'", true, "'quoted'"},
      // Numbers are the program's own: written as they are.
      {"-5", false, "-5"},
      {"12.50", false, "12.50"},
  };
  for (const Case& c : cases) EXPECT_EQ(CsvField(c.text, c.isText), c.field) << c.text;
}

TEST_F(CsvTest, HostileKeysReadBackAsTextCells) {
  AnalysisTable table({{"Page", CellKind::Text, TotalRule::None},
                       {"Hits", CellKind::Count, TotalRule::Sum},
                       {"Share %", CellKind::Share, TotalRule::None},
                       {"Bytes", CellKind::Bytes, TotalRule::Sum},
                       {"Last date", CellKind::Date, TotalRule::Max},
                       {"Robot", CellKind::Flag, TotalRule::None}},
                      1);
  struct Row {
    std::string key;
    double hits;
    std::string read;  // the cell Python reads
  };
  const Row rows[] = {
      {"/index.html", 5, "/index.html"},
      {"=cmd|' /C calc'!A0", 1, "'=cmd|' /C calc'!A0"},
      {"<script>alert(\"x\")</script>", 1, "<script>alert(\"x\")</script>"},
      {std::string("/ctl\x01\x1b\x7f") + "x", 1, std::string("/ctl\x01\x1b\x7f") + "x"},
      {"\x09tab-first", 1, "'\ttab-first"},
      {"/caf\xE9,\"quoted\"\r\nline", 1, "/caf\xC3\xA9,\"quoted\"\r\nline"},
      {"/\xE2\x82\xAC-euro", 1, "/\xE2\x82\xAC-euro"},
      {"-minus", 1, "'-minus"},
  };
  TDateTime day = 0;
  TryEncodeDate(2026, 3, 7, day);
  for (const Row& r : rows) {
    const std::size_t row = table.AddRow();
    table.SetText(row, 0, r.key);
    table.SetNumber(row, 1, r.hits);
    table.SetNumber(row, 3, 4294967295.0 * 3);
    table.SetNumber(row, 4, row == 0 ? 0 : day);
    table.SetNumber(row, 5, row % 2);
  }
  std::string error;
  ASSERT_TRUE(WriteCsvFile(Path("t.csv"), table, table.Totals(), error)) << error;
  const std::string raw = Read(Path("t.csv"));
  EXPECT_EQ(raw.rfind("Page,Hits,Share %,Bytes,Last date,Robot\r\n", 0), 0u);
  EXPECT_EQ(raw.substr(raw.size() - 2), "\r\n");

  const auto records = ReadWithPython(Path("t.csv"));
  ASSERT_EQ(records.size(), std::size(rows) + 1);
  EXPECT_EQ(records[0],
            (std::vector<std::string>{"Page", "Hits", "Share %", "Bytes", "Last date", "Robot"}));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const auto& record = records[i + 1];
    ASSERT_EQ(record.size(), 6u) << i;
    EXPECT_EQ(record[0], rows[i].read) << i;
    EXPECT_EQ(record[1], i == 0 ? "5" : "1");
    EXPECT_EQ(record[2], i == 0 ? "41.67" : "8.33");  // of 12 hits
    EXPECT_EQ(record[3], "12884901885");
    EXPECT_EQ(record[4], i == 0 ? "" : "2026-03-07");
    EXPECT_EQ(record[5], i % 2 ? "Yes" : "No");
  }
  EXPECT_EQ(Entries(), std::vector<std::string>{"t.csv"});  // no temporary file left
}

TEST_F(CsvTest, ALinkIsRefusedAndAFailedWriteLeavesNothing) {
  AnalysisTable table({{"Key", CellKind::Text, TotalRule::None}}, -1);
  table.SetText(table.AddRow(), 0, "x");
  std::ofstream(Path("target.csv")) << "keep me";
  ASSERT_EQ(::symlink(Path("target.csv").c_str(), Path("link.csv").c_str()), 0);
  std::string error;
  EXPECT_FALSE(WriteCsvFile(Path("link.csv"), table, table.Totals(), error));
  EXPECT_NE(error.find("symbolic link"), std::string::npos) << error;
  EXPECT_EQ(Read(Path("target.csv")), "keep me");
  struct stat link {};
  ASSERT_EQ(::lstat(Path("link.csv").c_str(), &link), 0);
  EXPECT_TRUE(S_ISLNK(link.st_mode));

  error.clear();
  EXPECT_FALSE(WriteCsvFile(Path("no-such-folder/t.csv"), table, table.Totals(), error));
  EXPECT_FALSE(error.empty());

  // An existing file is replaced whole.
  ASSERT_TRUE(WriteCsvFile(Path("target.csv"), table, table.Totals(), error)) << error;
  EXPECT_EQ(Read(Path("target.csv")), "Key\r\nx\r\n");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"link.csv", "target.csv"}));
}

}  // namespace
}  // namespace kestrune
