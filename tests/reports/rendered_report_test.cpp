// The shipped template filled from a real import and opened in headless Chromium: the
// browser's own DOM holds the charts and tables where the template puts them, and the
// page prints to a PDF of a few pages. Skipped where Chromium is missing or cannot start.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "logfiles/log_readers.h"
#include "report_fixture.h"

namespace kestrune::test {
namespace {

// A week of an IIS log: every visitor a few requests an hour apart, pages and downloads.
std::string WeekOfLog() {
  std::string text =
      "#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes time-taken cs-version "
      "cs(User-Agent) cs(Referer)\r\n";
  unsigned seed = 5;
  const auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 8) % 1000; };
  for (int day = 0; day < 7; ++day) {
    for (int i = 0; i < 300; ++i) {
      const unsigned hour = (6 + next() % 18) % 24, pick = next();
      char line[400];
      std::snprintf(line, sizeof line,
                    "2026-03-%02d %02u:%02u:%02u 10.1.%u.%u GET /%s%u.%s %d %u 5 HTTP/1.1 "
                    "Mozilla/4.0+(compatible;+MSIE+6.0;+Windows+NT+5.%u) "
                    "http://example.com/p%u\r\n",
                    9 + day, hour, next() % 60, next() % 60, pick % 7, next() % 40,
                    pick < 100 ? "files/setup" : "page", pick % 30, pick < 100 ? "zip" : "html",
                    pick % 17 == 0 ? 404 : 200, 500 + next() * 97, pick % 3, pick % 12);
      text += line;
    }
  }
  return text;
}

// Runs a shell command and collects its standard output; false when it failed.
bool RunCommand(const std::string& command, std::string& output) {
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return false;
  char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output.append(buffer, n);
  return ::pclose(pipe) == 0;
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

class RenderedReportTest : public ReportTest {};

TEST_F(RenderedReportTest, ShippedTemplateRendersAndPrintsInChromium) {
  const char* browser = "/usr/bin/chromium";
  if (!std::filesystem::exists(browser))
    GTEST_SKIP() << "Chromium is not installed (" << browser << "; Debian package chromium)";

  WriteFile(Path("ex260309.log"), WeekOfLog());
  stats_.slDownloadExt.Add("zip");
  NullReaderHost host;
  ReaderContext context{stats_, host};
  ASSERT_GT(ScanIISFile(Path("ex260309.log").string(), false, context), 2000);
  SaveReportAsHTML(std::string(KESTRUNE_SOURCE_DIR) + "/data/template.html",
                   Path("index.html").string(), Input());

  const std::string chromium = std::string("timeout 90 ") + browser +
                               " --headless --no-sandbox --disable-gpu --no-first-run"
                               " --user-data-dir='" +
                               Path("profile").string() + "' ";
  const std::string page = "'file://" + Path("index.html").string() + "'";
  const std::string quiet = " 2>'" + Path("chromium.log").string() + "'";
  std::string dom;
  if (!RunCommand(chromium + "--dump-dom " + page + quiet, dom) || dom.empty())
    GTEST_SKIP() << "headless Chromium could not start here: " << ReadFile(Path("chromium.log"));

  // The browser's DOM: both charts, the daily table and the six lists, each table with its
  // header (a table the parser had to mend would lose it), and nothing left unfilled.
  EXPECT_EQ(Count(dom, "<svg class=\"chart\""), 2u);
  EXPECT_EQ(Count(dom, "<table class=\"top "), 6u);
  EXPECT_EQ(Count(dom, "<table class=\"days\">"), 1u);
  EXPECT_EQ(Count(dom, "<table class=\""), Count(dom, "<thead>"));
  EXPECT_EQ(Count(dom, "No data"), 0u);
  EXPECT_EQ(Count(dom, "%Top"), 0u);
  EXPECT_EQ(Count(dom, "<rect class=\"hits\""), 7u + 18u);  // 7 days and 18 hours

  std::string ignored;
  ASSERT_TRUE(RunCommand(chromium + "--no-pdf-header-footer --print-to-pdf='" +
                             Path("index.pdf").string() + "' " + page + quiet,
                         ignored))
      << ReadFile(Path("chromium.log"));
  const std::string pdf = ReadFile(Path("index.pdf"));
  ASSERT_EQ(pdf.rfind("%PDF-", 0), 0u);
  const std::size_t pages = Count(pdf, "/Type /Page") - Count(pdf, "/Type /Pages");
  EXPECT_GE(pages, 2u);
  EXPECT_LE(pages, 10u);
}

}  // namespace
}  // namespace kestrune::test
