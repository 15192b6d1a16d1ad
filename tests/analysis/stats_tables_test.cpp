// The current-statistics source against the model's own lists: every figure of every
// subject, the classification of the user agents, the text filter, sorting with ties,
// the totals and the shares, and keys of any bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include "analysis/cell_text.h"
#include "analysis/stats_tables.h"
#include "stats/add_stats.h"
#include "stats/user_agent.h"

namespace kestrune {
namespace {

class StatsTablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stats.slDownloadExt.Add("ZIP");
    stats.slDownloadExt.Add("PDF");  // configured, never matched: a row of zeros
    stats.slFiles.Add("/logs/ex260301.log", std::make_unique<clsPFileObject>());
    stats.slFiles.Object(0)->LineCount = 40;
    stats.slFiles.Add("/logs/ex260302.log", std::make_unique<clsPFileObject>());
    stats.slFiles.Object(1)->LineCount = 10;
    const char* agent = "Mozilla/4.0+(compatible;+MSIE+6.0;+Windows+NT+5.0)";
    // Two pages with the same hits (a tie), hostile keys, errors, a download, a robot.
    Add("10:00:00", "1.1.1.1", "/a.html", 200, 100, agent, "http://x/");
    Add("10:01:00", "1.1.1.1", "/b.html", 200, 200, agent, "http://x/");
    Add("10:02:00", "1.1.1.2", "/a.html", 404, 300, "Opera/9.0", "");
    Add("10:03:00", "1.1.1.2", "/b.html", 200, 50, "Opera/9.0", "");
    Add("10:20:00", "1.1.1.1", "/file.zip", 200, 5000, agent, "http://y/");
    Add("10:21:00", "1.1.1.3", "/robots.txt", 200, 10, "Googlebot", "");
    Add("10:22:00", "1.1.1.3", "/<script>alert(1)</script>", 500, 1, "Googlebot", "");
    Add("10:23:00", "1.1.1.3", "=cmd|' /C calc'!A0", 200, 2, "Googlebot", "");
    Add("10:24:00", "1.1.1.4", std::string("/ctl\x01\x1b\x7f") + "x", 200, 3, "", "");
    Add("10:25:00", "1.1.1.4", "/caf\xE9.html", 200, 4, "", "=HYPERLINK(\"x\")");
  }
  void Add(const char* time, const std::string& visitor, const std::string& page,
           std::uint32_t status, std::uint32_t bytes, const std::string& agent,
           const std::string& referrer) {
    LogEntry e;
    e.Date = "2026-03-01";
    int h = 0, m = 0, s = 0;
    std::sscanf(time, "%d:%d:%d", &h, &m, &s);
    TDateTime day = 0, clock = 0;
    TryEncodeDate(2026, 3, 1, day);
    TryEncodeTime(h, m, s, 0, clock);
    e.DateTime = day + clock;
    e.SiteIP = "10.0.0.1";
    e.Visitor = visitor;
    e.Page = page;
    const std::size_t dot = page.rfind('.');
    e.Extension = dot == std::string::npos ? "" : UpperCase(page.substr(dot + 1));
    e.Referrer = referrer;
    e.Method = status == 404 ? "HEAD" : "GET";
    e.HTTPVersion = "HTTP/1.1";
    e.UserAgent = agent;
    e.Statuscode = status;
    e.Bytes = bytes;
    e.TimeTaken = bytes % 7;
    AddStats(stats, false, e);
  }
  // The column of `table` titled `title`.
  static int Col(const AnalysisTable& table, const std::string& title) {
    for (int c = 0; c < table.ColumnCount(); ++c)
      if (table.Columns()[c].title == title) return c;
    ADD_FAILURE() << "no column " << title;
    return 0;
  }
  static std::vector<std::string> Keys(const AnalysisTable& table) {
    std::vector<std::string> keys;
    for (std::size_t r = 0; r < table.RowCount(); ++r) keys.emplace_back(table.Text(r, 0));
    return keys;
  }

  clsImportStats stats;
};

// The basic figures of a row equal those of the model's object.
void ExpectBasic(const AnalysisTable& table, std::size_t row, const clsBasicInfo& item) {
  const int hits = table.HitsColumn();
  EXPECT_EQ(table.Number(row, hits), item.Hits);
  EXPECT_EQ(table.Number(row, hits + 2), item.Visits);
  EXPECT_EQ(table.Number(row, hits + 3), item.Bytes);
  EXPECT_EQ(table.Number(row, hits + 4), item.TimeSpent);
  EXPECT_EQ(table.Number(row, hits + 5), item.TimeTaken);
  EXPECT_EQ(table.Number(row, hits + 6), item.LastDate);
}

TEST_F(StatsTablesTest, EveryFigureOfEverySubjectIsTheModels) {
  struct Case {
    StatsSubject subject;
    int count;
    std::function<std::string(int)> key;
    std::function<const clsBasicInfo*(int)> item;
  };
  const Case cases[] = {
      {StatsSubject::Pages, stats.slPages.Count(), [&](int i) { return stats.slPages.Key(i); },
       [&](int i) { return stats.slPages.Object(i); }},
      {StatsSubject::Visitors, stats.slUsers.Count(), [&](int i) { return stats.slUsers.Key(i); },
       [&](int i) { return stats.slUsers.Object(i); }},
      {StatsSubject::Referrers, stats.slReferers.Count(),
       [&](int i) { return stats.slReferers.Key(i); },
       [&](int i) { return stats.slReferers.Object(i); }},
      {StatsSubject::UserAgents, stats.slUserAgents.Count(),
       [&](int i) { return stats.slUserAgents.Key(i); },
       [&](int i) { return stats.slUserAgents.Object(i); }},
      {StatsSubject::Errors, stats.slErrors.Count(), [&](int i) { return stats.slErrors.Key(i); },
       [&](int i) { return stats.slErrors.Object(i); }},
      {StatsSubject::Downloads, stats.slDownloadExt.Count(),
       [&](int i) { return stats.slDownloadExt.Key(i); },
       [&](int i) -> const clsBasicInfo* {
         static const clsBasicInfo none;
         const clsBasicInfo* item = stats.slDownloadExt.Object(i);
         return item ? item : &none;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Caption(c.subject));
    const AnalysisTable table = StatsTable(stats, c.subject, "");
    ASSERT_EQ(table.RowCount(), static_cast<std::size_t>(c.count));
    ASSERT_GT(c.count, 0);
    for (int i = 0; i < c.count; ++i) {
      EXPECT_EQ(table.Text(static_cast<std::size_t>(i), 0), c.key(i));
      ExpectBasic(table, static_cast<std::size_t>(i), *c.item(i));
    }
  }

  const AnalysisTable pages = StatsTable(stats, StatsSubject::Pages, "");
  for (int i = 0; i < stats.slPages.Count(); ++i) {
    const clsPageObject& p = *stats.slPages.Object(i);
    const auto row = static_cast<std::size_t>(i);
    EXPECT_EQ(pages.Number(row, Col(pages, "Entrances")), p.Entrances);
    EXPECT_EQ(pages.Number(row, Col(pages, "Exits")), p.Exits);
    EXPECT_EQ(pages.Number(row, Col(pages, "GET")), p.GET);
    EXPECT_EQ(pages.Number(row, Col(pages, "HEAD")), p.HEAD);
    EXPECT_EQ(pages.Number(row, Col(pages, "POST")), p.POST);
    EXPECT_EQ(pages.Number(row, Col(pages, "OPTIONS")), p.OPTIONS);
    EXPECT_EQ(pages.Number(row, Col(pages, "Other methods")), p.UNKNOWN);
    EXPECT_EQ(pages.Number(row, Col(pages, "Last hit")), p.LastHit);
  }
  const AnalysisTable users = StatsTable(stats, StatsSubject::Visitors, "");
  for (int i = 0; i < stats.slUsers.Count(); ++i) {
    const clsUserObject& u = *stats.slUsers.Object(i);
    EXPECT_EQ(users.Number(static_cast<std::size_t>(i), Col(users, "Robot")), u.Robot ? 1 : 0);
    EXPECT_EQ(users.Number(static_cast<std::size_t>(i), Col(users, "Last was download")),
              u.LastWasDownload ? 1 : 0);
  }
  EXPECT_EQ(CellText(users, 2, Col(users, "Robot"), users.Totals(), CellStyle::Csv), "Yes");
  const AnalysisTable errors = StatsTable(stats, StatsSubject::Errors, "");
  for (int i = 0; i < stats.slErrors.Count(); ++i)
    EXPECT_EQ(errors.Number(static_cast<std::size_t>(i), 1), stats.slErrors.Object(i)->StatusCode);
  const AnalysisTable agents = StatsTable(stats, StatsSubject::UserAgents, "");
  for (int i = 0; i < stats.slUserAgents.Count(); ++i) {
    const UserAgentClass kind = ClassifyUserAgent(stats.slUserAgents.Key(i));
    EXPECT_EQ(agents.Text(static_cast<std::size_t>(i), 1), kind.Name);
    EXPECT_EQ(agents.Text(static_cast<std::size_t>(i), 2), kind.Browser);
    EXPECT_EQ(agents.Text(static_cast<std::size_t>(i), 3), kind.OS);
  }
  EXPECT_EQ(agents.Text(0, 2), "MSIE 6");
  EXPECT_EQ(agents.Text(0, 3), "Windows 2000");
  const AnalysisTable files = StatsTable(stats, StatsSubject::Files, "");
  ASSERT_EQ(files.RowCount(), 2u);
  EXPECT_EQ(files.Number(0, 1), 40);
  EXPECT_EQ(CellText(files, 0, 2, files.Totals(), CellStyle::Csv), "80.00");
}

TEST_F(StatsTablesTest, TheTextFilterIsACaseBlindPartOfTheKey) {
  struct Case {
    const char* filter;
    std::set<std::string> keys;
  };
  const Case cases[] = {
      {"", {}},  // every key: checked by count below
      {".HTML", {"/a.html", "/b.html", "/caf\xE9.html"}},
      {"A.h", {"/a.html"}},
      {"<script>", {"/<script>alert(1)</script>"}},
      {"=CMD|", {"=cmd|' /C calc'!A0"}},
      {"\xE9", {"/caf\xE9.html"}},
      {"\x01\x1b", {std::string("/ctl\x01\x1b\x7fx")}},
      {"nothing like it", {}},
  };
  for (const Case& c : cases) {
    const AnalysisTable table = StatsTable(stats, StatsSubject::Pages, c.filter);
    const std::vector<std::string> keys = Keys(table);
    if (*c.filter == 0)
      EXPECT_EQ(keys.size(), static_cast<std::size_t>(stats.slPages.Count()));
    else
      EXPECT_EQ(std::set<std::string>(keys.begin(), keys.end()), c.keys) << c.filter;
  }
}

TEST_F(StatsTablesTest, SortingKeepsTiesInKeyOrder) {
  AnalysisTable pages = StatsTable(stats, StatsSubject::Pages, "");
  // /a.html and /b.html have two hits each, every other page one.
  pages.Sort(pages.HitsColumn(), true);
  std::vector<std::string> keys = Keys(pages);
  ASSERT_GE(keys.size(), 4u);
  EXPECT_EQ(keys[0], "/a.html");
  EXPECT_EQ(keys[1], "/b.html");
  // The single hits follow in byte order of their keys.
  EXPECT_TRUE(std::is_sorted(keys.begin() + 2, keys.end()));
  // Rising hits: the ties stay in key order too.
  pages.Sort(pages.HitsColumn(), false);
  keys = Keys(pages);
  EXPECT_EQ(keys[keys.size() - 2], "/a.html");
  EXPECT_EQ(keys.back(), "/b.html");
  // The share sorts as the hits.
  const int share = pages.HitsColumn() + 1;
  pages.Sort(share, true);
  EXPECT_EQ(Keys(pages)[0], "/a.html");
  // By the key, falling: reverse byte order.
  pages.Sort(0, true);
  keys = Keys(pages);
  EXPECT_TRUE(std::is_sorted(keys.rbegin(), keys.rend()));
  // By bytes, rising; equal bytes never occur here, so the order is the bytes'.
  const int bytes = pages.HitsColumn() + 3;
  pages.Sort(bytes, false);
  for (std::size_t r = 1; r < pages.RowCount(); ++r)
    EXPECT_LE(pages.Number(r - 1, bytes), pages.Number(r, bytes));
  // An integer key (the status of error pages) in a sort by it.
  AnalysisTable errors = StatsTable(stats, StatsSubject::Errors, "");
  errors.Sort(1, false);
  EXPECT_EQ(errors.Number(0, 1), 404);
  EXPECT_EQ(errors.Number(1, 1), 500);
}

TEST_F(StatsTablesTest, TotalsAndShares) {
  const AnalysisTable pages = StatsTable(stats, StatsSubject::Pages, "");
  const AnalysisTable totals = pages.Totals();
  const int hits = pages.HitsColumn();
  EXPECT_EQ(totals.Text(0, 0), "Total");
  EXPECT_EQ(totals.Number(0, hits), stats.PageHits);
  EXPECT_EQ(totals.Number(0, hits + 3), stats.Traffic);
  EXPECT_EQ(totals.Number(0, hits + 6), stats.LastDate);  // the latest of the last dates
  double shares = 0;
  for (std::size_t r = 0; r < pages.RowCount(); ++r) shares += ShareOf(pages, r, totals);
  EXPECT_NEAR(shares, 100.0, 1e-9);
  EXPECT_EQ(CellText(pages, 0, hits + 1, totals, CellStyle::Csv), "20.00");  // 2 of 10
  // A filtered table's shares are of its own totals.
  const AnalysisTable some = StatsTable(stats, StatsSubject::Pages, ".html");
  EXPECT_EQ(CellText(some, 0, hits + 1, some.Totals(), CellStyle::Csv), "40.00");  // 2 of 5
  // No rows: totals of 0, a share of 0, never a division by zero.
  const AnalysisTable none = StatsTable(stats, StatsSubject::Pages, "nothing like it");
  EXPECT_EQ(none.Totals().Number(0, hits), 0);
}

TEST_F(StatsTablesTest, KeysKeepEveryByte) {
  const AnalysisTable pages = StatsTable(stats, StatsSubject::Pages, "ctl");
  ASSERT_EQ(pages.RowCount(), 1u);
  EXPECT_EQ(pages.Text(0, 0), std::string("/ctl\x01\x1b\x7fx"));
  // The grid shows each control character as its visible symbol, on one line.
  EXPECT_EQ(CellText(pages, 0, 0, pages.Totals(), CellStyle::Grid),
            "/ctl\xE2\x90\x81\xE2\x90\x9B\xE2\x90\xA1x");
  // The CSV text is UTF-8: the byte E9 of invalid UTF-8 is read as Latin-1 (é).
  const AnalysisTable cafe = StatsTable(stats, StatsSubject::Pages, "caf");
  EXPECT_EQ(CellText(cafe, 0, 0, cafe.Totals(), CellStyle::Csv), "/caf\xC3\xA9.html");
  EXPECT_EQ(CellText(cafe, 0, 0, cafe.Totals(), CellStyle::Grid), "/caf\xC3\xA9.html");
}

}  // namespace
}  // namespace kestrune
