#include "report_fixture.h"

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "stats/add_stats.h"
#include "util/datetime.h"

namespace kestrune::test {

namespace {

TDateTime At(int year, int month, int day, int hour, int minute, int second) {
  TDateTime date = 0, time = 0;
  EXPECT_TRUE(TryEncodeDate(year, month, day, date));
  EXPECT_TRUE(TryEncodeTime(hour, minute, second, 0, time));
  return date + time;
}

LogEntry Entry(TDateTime when, const std::string& visitor, const std::string& method,
               const std::string& page, const std::string& extension, std::uint32_t status,
               std::uint32_t bytes) {
  LogEntry e;
  e.DateTime = when;
  e.Date = FormatIsoDate(when);
  e.SiteIP = "192.0.2.1";
  e.Visitor = visitor;
  e.Method = method;
  e.Page = page;
  e.Extension = extension;
  e.HTTPVersion = "HTTP/1.1";
  e.Statuscode = status;
  e.Bytes = bytes;
  e.Port = 80;
  return e;
}

}  // namespace

void FillSampleStats(clsImportStats& stats) {
  stats.slIgnoreIP.Add("10.0.0.99");
  stats.slIgnoreExt.Add("gif");
  stats.slDownloadExt.Add("zip");

  const int file = stats.slFiles.Add("/var/log/site/ex260314.log");
  stats.slFiles.ObjectOrCreate(file).LineCount = 11;

  LogEntry entries[] = {
      Entry(At(2026, 3, 14, 10, 0, 0), "198.51.100.7", "GET", "/index.html", "html", 200, 1000),
      Entry(At(2026, 3, 14, 10, 5, 0), "198.51.100.7", "GET", "/<script>alert(1)</script>.html",
            "html", 404, 512),
      Entry(At(2026, 3, 14, 11, 0, 0), "203.0.113.5", "GET", "/files/tools & more.zip", "zip", 200,
            1048576),
      Entry(At(2026, 3, 15, 9, 30, 0), "203.0.113.5", "POST", "/index.html", "html", 304, 0),
      Entry(At(2026, 3, 10, 8, 0, 0), "10.0.0.99", "GET", "/index.html", "html", 200, 4000),
      Entry(At(2026, 3, 16, 23, 59, 59), "198.51.100.7", "GET", "/img/logo.gif", "gif", 200, 2500),
      Entry(At(2026, 3, 15, 12, 0, 0), "192.0.2.44", "HEAD", "/index.html", "html", 500, 0),
      Entry(At(2026, 3, 15, 12, 1, 0), "192.0.2.44", "OPTIONS", "*", "", 200, 0),
      Entry(At(2026, 3, 15, 12, 2, 0), "192.0.2.44", "PROPFIND", "/caf\xE9/%Pages%.html", "html",
            207, 300),
      Entry(At(2026, 3, 15, 12, 3, 0), "198.51.100.7", "GET", "/index.html", "html", 200, 1000),
  };
  entries[0].Referrer = "http://example.com/?a=1&b=2";
  entries[3].Referrer = "http://example.com/?a=1&b=2";
  entries[0].UserAgent = "Mozilla/5.0";

  // The reader counts every line; the first is a comment.
  stats.Entries += 1;
  stats.Comments += 1;
  stats.Ignored += 1;
  for (const LogEntry& e : entries) {
    stats.Entries += 1;
    AddStats(stats, false, e);
  }

  const int second = stats.slFiles.Add("/var/log/site/a&b <old>.log");
  stats.slFiles.ObjectOrCreate(second).LineCount = 0;
  stats.slFiles.Add("");
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::filesystem::path& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
}

std::string Golden(const std::string& name, const std::string& today) {
  std::string text =
      ReadFile(std::filesystem::path(KESTRUNE_SOURCE_DIR) / "tests" / "reports" / "data" / name);
  EXPECT_FALSE(text.empty()) << "golden file " << name;
  const std::string token = "@TODAY@";
  for (std::size_t at = text.find(token); at != std::string::npos;
       at = text.find(token, at + today.size()))
    text.replace(at, token.size(), today);
  return text;
}

std::string Today() {
  return FormatDdMmmYyyy(NowLocal());
}

void ReportTest::SetUp() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "kestrune-reports-XXXXXX").string();
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  dir_ = pattern;
}

void ReportTest::TearDown() {
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

}  // namespace kestrune::test
