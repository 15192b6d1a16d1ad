// The HTML report's top lists, day and hour tables and charts, filled from a small real
// import (an IIS log written here and read by ScanIISFile) and read back with Python's
// html.parser: the values against the model and against the log lines themselves.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "logfiles/log_readers.h"
#include "parsed_report.h"
#include "report_fixture.h"
#include "reports/html_text.h"
#include "reports/top_lists.h"
#include "stats/add_stats.h"
#include "stats/user_agent.h"
#include "util/datetime.h"
#include "util/utf8.h"

namespace kestrune::test {
namespace {

// One line of the log written for the import.
struct Line {
  int day;     // 0 = 14 March 2026
  int second;  // of the day
  std::string visitor, page;
  int status;
  std::uint32_t bytes;
  std::string agent, referrer;
};

TDateTime DayValue(int day) {
  TDateTime d = 0;
  EXPECT_TRUE(TryEncodeDate(2026, 3, 14, d));
  return d + day;
}

// A log of three days: visitors come in bursts (one visit each), most to a few pages.
std::vector<Line> MakeLines() {
  std::mt19937 random(11);
  const char* agents[] = {"Mozilla/4.0+(compatible;+MSIE+6.0;+Windows+NT+5.1)",
                          "Mozilla/4.0+(compatible;+MSIE+5.5;+Windows+98)",
                          "Mozilla/5.0+(X11;+U;+Linux+i686;+en-US;+rv:1.0)+Gecko+Build+7",
                          "Googlebot/2.1", "-"};
  std::vector<Line> lines;
  for (int day = 0; day < 3; ++day) {
    for (int burst = 0; burst < 40 + 10 * day; ++burst) {
      const int start = static_cast<int>(random() % 80000);
      const std::string visitor =
          "10.0." + std::to_string(day % 2) + "." + std::to_string(random() % 23);
      const int requests = 1 + static_cast<int>(random() % 6);
      for (int r = 0; r < requests; ++r) {
        const int pick = static_cast<int>(random() % 100);
        std::string page = pick < 30   ? "/index.html"
                           : pick < 45 ? "/about.html"
                           : pick < 55 ? "/files/tool" + std::to_string(pick % 3) + ".zip"
                                       : "/p" + std::to_string(pick % 17) + ".html";
        const int status = pick % 11 == 0 ? 404 : pick % 13 == 0 ? 304 : 200;
        lines.push_back({day, start + r * 30, visitor, page, status,
                         static_cast<std::uint32_t>(200 + random() % 90000), agents[random() % 5],
                         r == 0 ? "http://search.example/?q=" + std::to_string(random() % 9)
                                : "http://site.example" + page});
      }
    }
  }
  // The log is written in time order, as a server writes it.
  std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) {
    return a.day != b.day ? a.day < b.day : a.second < b.second;
  });
  return lines;
}

std::string LogText(const std::vector<Line>& lines) {
  std::string text =
      "#Software: Microsoft Internet Information Server 4.0\r\n"
      "#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes time-taken cs-version "
      "cs(User-Agent) cs(Referer)\r\n";
  for (const Line& l : lines) {
    char buffer[600];
    std::snprintf(buffer, sizeof buffer,
                  "2026-03-%02d %02d:%02d:%02d %s GET %s %d %u 10 HTTP/1.1 %s %s\r\n", 14 + l.day,
                  l.second / 3600, l.second / 60 % 60, l.second % 60, l.visitor.c_str(),
                  l.page.c_str(), l.status, l.bytes, l.agent.c_str(), l.referrer.c_str());
    text += buffer;
  }
  return text;
}

// A text as html.parser gives it back: the page's rule for log bytes (well-formed UTF-8
// kept, other bytes as Latin-1, control characters as U+FFFD) and runs of blanks as one.
std::string AsText(const std::string& key) {
  std::string utf8;
  ForEachCodePoint(key, [&](char32_t c) {
    const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0xFFFE || c == 0xFFFF;
    AppendUtf8(utf8, control ? 0xFFFD : c);
  });
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    while (i < utf8.size() && utf8[i] == ' ') ++i;
    std::size_t j = i;
    while (j < utf8.size() && utf8[j] != ' ') ++j;
    if (j > i) out += (out.empty() ? "" : " ") + utf8.substr(i, j - i);
    i = j;
  }
  return out;
}

// A key as its table cell reads.
std::string AsRead(const std::string& key) {
  return key.empty() ? "(empty)" : AsText(key);
}

class HtmlSectionsTest : public ReportTest {
 protected:
  void Import() {
    lines_ = MakeLines();
    WriteFile(Path("ex260314.log"), LogText(lines_));
    stats_.slDownloadExt.Add("zip");
    NullReaderHost host;
    ReaderContext context{stats_, host};
    ASSERT_GT(ScanIISFile(Path("ex260314.log").string(), false, context), 0);
    ASSERT_EQ(stats_.Allowed, lines_.size());
  }
  // Fills `templateText` and reads the report back.
  ParsedReport FillAndRead(const std::string& templateText, bool lenient = false) {
    WriteFile(Path("t.html"), templateText);
    SaveReportAsHTML(Path("t.html").string(), Path("out.html").string(), Input());
    filled_ = ReadFile(Path("out.html"));
    return ReadReport(Path("out.html").string(), lenient);
  }

  std::vector<Line> lines_;
  std::string filled_;
};

// --- Top lists -----------------------------------------------------------------------

struct TopCase {
  const char* placeholder;  // without N
  TopList list;
  int extraColumns;  // between the key and the hits
};

const TopCase kTopCases[] = {
    {"TopPages", TopList::Pages, 0},         {"TopVisitors", TopList::Visitors, 0},
    {"TopReferrers", TopList::Referrers, 0}, {"TopUserAgents", TopList::UserAgents, 2},
    {"TopErrors", TopList::Errors, 1},       {"TopDownloads", TopList::Downloads, 0},
};

// Every entry of the list in table order, by a full sort of the model's own figures.
template <class T, class Keep>
std::vector<int> SortedByHand(const KeyedList<T>& list, Keep&& keep) {
  std::vector<int> order;
  for (int i = 0; i < list.Count(); ++i)
    if (keep(list.Key(i))) order.push_back(i);
  std::sort(order.begin(), order.end(), [&](int a, int b) {
    const T& x = *list.Object(a);
    const T& y = *list.Object(b);
    if (x.Hits != y.Hits) return x.Hits > y.Hits;
    if (x.Bytes != y.Bytes) return x.Bytes > y.Bytes;
    return list.Key(a) < list.Key(b);
  });
  return order;
}

// Checks the rows of `table` against the first `n` entries of `list` by hand.
template <class T, class Keep, class Extra>
void ExpectTopRows(const ParsedTable& table, const KeyedList<T>& list, int n, Keep&& keep,
                   Extra&& extra) {
  const std::vector<int> order = SortedByHand(list, keep);
  double total = 0;
  for (const int i : order) total += list.Object(i)->Hits;
  const std::size_t shown = std::min<std::size_t>(order.size(), static_cast<std::size_t>(n));
  if (order.empty()) {
    ASSERT_EQ(table.body.size(), 1u);
    EXPECT_EQ(table.body[0][0].rfind("No ", 0), 0u) << table.body[0][0];
    return;
  }
  ASSERT_EQ(table.body.size(), shown) << table.cssClass;
  for (std::size_t r = 0; r < shown; ++r) {
    SCOPED_TRACE(table.cssClass + " row " + std::to_string(r + 1));
    const std::vector<std::string>& row = table.body[r];
    const T& object = *list.Object(order[r]);
    std::vector<std::string> want = {std::to_string(r + 1), AsRead(list.Key(order[r]))};
    extra(want, order[r], object);
    want.push_back(std::to_string(object.Hits));
    want.push_back(std::to_string(object.Visits));
    want.push_back(ByteSize(object.Bytes) + "|" + ByteForm(object.Bytes) + " bytes");
    want.push_back(Percentage(object.Hits, total));
    EXPECT_EQ(row, want);
  }
  ASSERT_EQ(table.foot.size(), 1u);
  EXPECT_EQ(table.foot[0][0].substr(0, table.foot[0][0].find(' ', 0)), std::to_string(shown));
}

TEST_F(HtmlSectionsTest, TopListsFollowTheModelInOrderAndValue) {
  Import();
  for (const int n : {0, 1, 4, 25, 1000}) {
    SCOPED_TRACE("N " + std::to_string(n));
    std::string templateText = "<html><body>\n";
    for (const TopCase& c : kTopCases)
      templateText += std::string("%") + c.placeholder + (n ? ":" + std::to_string(n) : "") + "%\n";
    templateText += "</body></html>\n";
    const ParsedReport report = FillAndRead(templateText);
    EXPECT_TRUE(report.errors.empty()) << report.errors.front();
    const int rows = n ? n : kTopDefault;
    const auto all = [](const std::string&) { return true; };
    const auto none = [](std::vector<std::string>&, int, const auto&) {};
    ExpectTopRows(report.Table("top-pages"), stats_.slPages, rows, all, none);
    ExpectTopRows(report.Table("top-visitors"), stats_.slUsers, rows, all,
                  [&](std::vector<std::string>& want, int, const clsUserObject& user) {
                    if (user.Robot) want.back() += " robot";
                  });
    ExpectTopRows(report.Table("top-referrers"), stats_.slReferers, rows, all, none);
    ExpectTopRows(report.Table("top-agents"), stats_.slUserAgents, rows, all,
                  [&](std::vector<std::string>& want, int i, const auto&) {
                    const UserAgentClass found = ClassifyUserAgent(stats_.slUserAgents.Key(i));
                    want.push_back(AsText(found.Browser));
                    want.push_back(AsText(found.OS));
                  });
    ExpectTopRows(report.Table("top-errors"), stats_.slErrors, rows, all,
                  [&](std::vector<std::string>& want, int, const clsErrorObject& error) {
                    want.push_back(std::to_string(error.StatusCode));
                  });
    ExpectTopRows(
        report.Table("top-downloads"), stats_.slPages, rows,
        [](const std::string& page) {
          return page.size() > 4 && page.substr(page.size() - 4) == ".zip";
        },
        none);
  }
  // The downloads are the pages counted as downloads.
  Counter downloads = 0;
  for (int i = 0; i < stats_.slPages.Count(); ++i)
    if (stats_.slPages.Key(i).find(".zip") != std::string::npos)
      downloads += stats_.slPages.Object(i)->Hits;
  EXPECT_EQ(downloads, stats_.Downloads);
  EXPECT_GT(stats_.Downloads, 0u);
}

// A placeholder whose N is no number or 0 stays as it is; a large N counts as the limit;
// other letter cases are matched in the first 255 characters only.
TEST_F(HtmlSectionsTest, TopListArgumentsAreCheckedAndBounded) {
  for (int i = 0; i < 1500; ++i) {
    LogEntry e;
    e.DateTime = DayValue(0) + i / 86400.0;
    e.Visitor = "v";
    e.Page = "/page" + std::to_string(i);
    e.Bytes = static_cast<std::uint32_t>(i);
    AddStats(stats_, false, e);
  }
  struct ArgumentCase {
    std::string text;
    int tables;  // top tables in the report
    int rows;    // rows of the first
    bool stays;  // the text is left in the report
  };
  const std::string far(300, '.');
  const ArgumentCase cases[] = {
      {"%TopPages%", 1, 25, false},
      {"%TopPages:x%", 0, 0, true},
      {"%TopPages:0%", 0, 0, true},
      {"%TopPages:000%", 0, 0, true},
      {"%TopPages:%", 0, 0, true},
      {"%TopPages:3 %", 0, 0, true},
      {"%TopPages:-3%", 0, 0, true},
      {"%TopPages:007%", 1, 7, false},
      {"%TopPages:99999999%", 1, 1000, false},
      {"%TopPages:99999999999999999999999%", 1, 1000, false},
      {"%toppages:2%", 1, 2, false},
      {far + "%toppages:2%", 0, 0, true},
      {far + "%TopPages:2%", 1, 2, false},
      {"%TopPages:2% %TopPages:2% %TopPages:3%", 3, 2, false},
  };
  for (const ArgumentCase& c : cases) {
    SCOPED_TRACE(c.text.size() > 60 ? c.text.substr(290) : c.text);
    const ParsedReport report = FillAndRead("<div>" + c.text + "</div>");
    EXPECT_TRUE(report.errors.empty());
    EXPECT_EQ(report.Count("top-pages"), c.tables);
    if (c.tables > 0) {
      EXPECT_EQ(report.tables[0].body.size(), static_cast<std::size_t>(c.rows));
      EXPECT_EQ(report.tables[0].body[0][1], "/page1499");  // the most bytes first
    }
    EXPECT_EQ(filled_.find(c.text.substr(c.text.find('%'))) != std::string::npos, c.stays);
  }
}

// --- Day and hour tables -------------------------------------------------------------

struct DayFigures {
  Counter hits = 0, visits = 0;
  std::set<std::string> visitors;
  double bytes = 0;
};

TEST_F(HtmlSectionsTest, DayAndHourTablesFollowTheLog) {
  Import();
  // The log's own figures: per day and hour, with the visit rule (a gap of 900 seconds
  // or more begins a new visit) on the lines in their order.
  std::map<int, DayFigures> days;
  Counter hourHits[24] = {};
  double hourBytes[24] = {};
  std::map<std::string, long> lastSeen;
  for (const Line& l : lines_) {
    const long at = l.day * 86400L + l.second;
    const auto last = lastSeen.find(l.visitor);
    const bool newVisit = last == lastSeen.end() || at - last->second >= 900;
    lastSeen[l.visitor] = at;
    DayFigures& d = days[l.day];
    ++d.hits;
    d.visits += newVisit;
    d.visitors.insert(l.visitor);
    d.bytes += l.bytes;
    ++hourHits[l.second / 3600];
    hourBytes[l.second / 3600] += l.bytes;
  }
  const ParsedReport report = FillAndRead("<main>%Days%\n%Hours%</main>");
  EXPECT_TRUE(report.errors.empty());

  const ParsedTable& daily = report.Table("days");
  ASSERT_EQ(daily.body.size(), days.size());
  Counter totalHits = 0;
  double totalBytes = 0;
  double largest = 0;
  for (const auto& [day, d] : days) largest = std::max<double>(largest, d.hits);
  std::size_t r = 0;
  for (const auto& [day, d] : days) {
    SCOPED_TRACE(day);
    const std::vector<std::string>& row = daily.body[r++];
    ASSERT_EQ(row.size(), 7u);
    EXPECT_EQ(row[0], FormatDdMmmYyyy(DayValue(day)));
    EXPECT_EQ(row[1], LocaleShortDayName(DayValue(day)));
    EXPECT_EQ(row[2], std::to_string(d.hits));
    EXPECT_EQ(row[3], std::to_string(d.visits));
    EXPECT_EQ(row[4], std::to_string(d.visitors.size()));
    EXPECT_EQ(row[5], ByteSize(d.bytes) + "|" + ByteForm(d.bytes) + " bytes");
    EXPECT_EQ(row[6], Percentage(d.hits, static_cast<double>(lines_.size())));
    totalHits += d.hits;
    totalBytes += d.bytes;
  }
  ASSERT_EQ(daily.foot.size(), 1u);
  EXPECT_EQ(daily.foot[0][0], "Total");
  EXPECT_EQ(daily.foot[0][1], std::to_string(totalHits));
  EXPECT_EQ(daily.foot[0][4], ByteSize(totalBytes) + "|" + ByteForm(totalBytes) + " bytes");

  const ParsedTable& hourly = report.Table("hours");
  ASSERT_EQ(hourly.body.size(), 24u);
  for (int h = 0; h < 24; ++h) {
    SCOPED_TRACE(h);
    const std::vector<std::string>& row = hourly.body[static_cast<std::size_t>(h)];
    ASSERT_EQ(row.size(), 4u);
    char name[32];
    std::snprintf(name, sizeof name, "%02d:00\xE2\x80\x93%02d:59", h, h);
    EXPECT_EQ(row[0], name);
    EXPECT_EQ(row[1], std::to_string(hourHits[h]));
    EXPECT_EQ(row[2], ByteSize(hourBytes[h]) + "|" + ByteForm(hourBytes[h]) + " bytes");
    EXPECT_EQ(row[3], Percentage(hourHits[h], static_cast<double>(lines_.size())));
  }
}

// --- Charts ---------------------------------------------------------------------------

// Bars of one series, in order.
std::vector<ParsedBar> Series(const ParsedChart& chart, const std::string& series) {
  std::vector<ParsedBar> bars;
  for (const ParsedBar& b : chart.bars)
    if (b.series == series) bars.push_back(b);
  return bars;
}

void ExpectBars(const ParsedChart& chart, const std::vector<double>& hits,
                const std::vector<double>& bytes) {
  ASSERT_GT(chart.plotHeight, 0);
  const std::vector<ParsedBar> h = Series(chart, "bars hits");
  const std::vector<ParsedBar> t = Series(chart, "bars traffic");
  std::vector<double> nonZeroHits, nonZeroBytes;
  for (const double v : hits)
    if (v > 0) nonZeroHits.push_back(v);
  for (const double v : bytes)
    if (v > 0) nonZeroBytes.push_back(v);
  ASSERT_EQ(h.size(), nonZeroHits.size());
  ASSERT_EQ(t.size(), nonZeroBytes.size());
  const double hitsMax = *std::max_element(hits.begin(), hits.end());
  const double bytesMax = *std::max_element(bytes.begin(), bytes.end());
  // The axes reach the largest value and no further than five times it.
  EXPECT_GE(chart.hitsMax, hitsMax);
  EXPECT_LE(chart.hitsMax, std::max(4.0, 5 * hitsMax));
  if (bytesMax > 0) {
    EXPECT_GE(chart.trafficMax, bytesMax);
    EXPECT_LE(chart.trafficMax, 5 * bytesMax);
  }
  for (std::size_t i = 0; i < h.size(); ++i)
    EXPECT_NEAR(h[i].height, nonZeroHits[i] / chart.hitsMax * chart.plotHeight, 0.01) << i;
  for (std::size_t i = 0; i < t.size(); ++i)
    EXPECT_NEAR(t[i].height, nonZeroBytes[i] / chart.trafficMax * chart.plotHeight, 0.01) << i;
}

TEST_F(HtmlSectionsTest, ChartBarsFollowTheTally) {
  Import();
  const ParsedReport report = FillAndRead("<main>%DaysChart%\n%HoursChart%</main>");
  EXPECT_TRUE(report.errors.empty());
  ASSERT_EQ(report.charts.size(), 2u);
  std::vector<double> dayHits, dayBytes, hourHits, hourBytes;
  for (const DayTally& d : stats_.ByTime.Days()) {
    dayHits.push_back(d.Hits);
    dayBytes.push_back(d.Bytes);
  }
  for (int h = 0; h < 24; ++h) {
    hourHits.push_back(stats_.ByTime.Hour(h).Hits);
    hourBytes.push_back(stats_.ByTime.Hour(h).Bytes);
  }
  ASSERT_EQ(dayHits.size(), 3u);
  ExpectBars(report.charts[0], dayHits, dayBytes);
  ExpectBars(report.charts[1], hourHits, hourBytes);
  // Tooltips name the day and its hits.
  const std::vector<ParsedBar> bars = Series(report.charts[0], "bars hits");
  EXPECT_EQ(bars[0].tooltip, LocaleShortDayName(DayValue(0)) + " " + FormatDdMmmYyyy(DayValue(0)) +
                                 ": " + std::to_string(stats_.ByTime.Days()[0].Hits) + " hits");
}

// Models of few entries: one bar for one day or hour, only the days present, "No data"
// for none; and a placeholder that is not used costs nothing.
TEST_F(HtmlSectionsTest, ChartsOfFewDays) {
  struct ChartCase {
    const char* name;
    std::vector<std::pair<TDateTime, std::uint32_t>> entries;
    std::size_t dayBars, hourBars;
  };
  TDateTime y2000 = 0;
  ASSERT_TRUE(TryEncodeDate(2000, 1, 1, y2000));
  const ChartCase cases[] = {
      {"empty", {}, 0, 0},
      {"one entry", {{DayValue(0) + 0.5, 100}}, 1, 1},
      {"one hour of one day", {{DayValue(0) + 0.5, 100}, {DayValue(0) + 0.51, 0}}, 1, 1},
      {"far apart", {{y2000 + 0.25, 10}, {DayValue(0) + 0.25, 20}}, 2, 1},
      {"undated only", {{0, 100}}, 0, 0},
  };
  for (const ChartCase& c : cases) {
    SCOPED_TRACE(c.name);
    stats_.Clear();
    for (const auto& [when, bytes] : c.entries) {
      LogEntry e;
      e.DateTime = when;
      e.Visitor = "v";
      e.Page = "/";
      e.Bytes = bytes;
      AddStats(stats_, false, e);
    }
    const ParsedReport report = FillAndRead("<main>%DaysChart%%HoursChart%</main>");
    EXPECT_TRUE(report.errors.empty());
    ASSERT_EQ(report.charts.size(), 2u);
    EXPECT_EQ(Series(report.charts[0], "bars hits").size(), c.dayBars);
    EXPECT_EQ(Series(report.charts[1], "bars hits").size(), c.hourBars);
    for (const ParsedChart& chart : report.charts) {
      const bool empty = chart.bars.empty();
      EXPECT_EQ(chart.cssClass, empty ? "chart empty" : "chart");
      EXPECT_EQ(std::count(chart.texts.begin(), chart.texts.end(), "No data"), empty ? 1 : 0);
    }
  }
}

// Over kMaxChartDays days present, the chart shows months.
TEST_F(HtmlSectionsTest, ManyDaysAreChartedByMonth) {
  for (int day = 0; day < 200; ++day) {
    LogEntry e;
    e.DateTime = DayValue(day) + 0.5;
    e.Visitor = "v";
    e.Page = "/";
    e.Bytes = 1;
    AddStats(stats_, false, e);
  }
  const ParsedReport report = FillAndRead("<main>%DaysChart%</main>");
  ASSERT_EQ(report.charts.size(), 1u);
  // 14 March to 29 September 2026: seven months, 200 hits in all.
  const std::vector<ParsedBar> bars = Series(report.charts[0], "bars hits");
  ASSERT_EQ(bars.size(), 7u);
  double height = 0;
  for (const ParsedBar& b : bars) height += b.height;
  EXPECT_NEAR(height, 200 / report.charts[0].hitsMax * report.charts[0].plotHeight, 0.05);
  EXPECT_EQ(report.charts[0].texts[0], "Hits and traffic by month");
}

// --- Hostile keys ---------------------------------------------------------------------

TEST_F(HtmlSectionsTest, HostileKeysAreEscapedAndNeverExpanded) {
  const std::string keys[] = {"/<script>alert(1)</script>",
                              "/\"quoted\" 'single'",
                              "/ctl\x01\x07\x1b\x7f\xC2\x85",
                              "/caf\xE9/%E9",
                              "/\xFF\xFE\xC0\xAF",
                              "/%Days%",
                              "/%TopPages:1000%",
                              "/%HoursChart%",
                              "/&amp;&#60;",
                              ""};
  for (const std::string& key : keys) {
    LogEntry e;
    e.DateTime = DayValue(0) + 0.5;
    e.Visitor = key;
    e.Page = key;
    e.Referrer = key;
    e.UserAgent = key;
    e.Statuscode = 500;
    e.Bytes = 10;
    AddStats(stats_, false, e);
  }
  const ParsedReport report = FillAndRead(
      "<html><body>%TopPages:50%%TopVisitors%%TopReferrers%%TopUserAgents%%TopErrors%"
      "%Days%%DaysChart%</body></html>");
  EXPECT_TRUE(report.errors.empty()) << report.errors.front();
  EXPECT_EQ(report.Count("days"), 1);  // the one of the template, not one from a key
  EXPECT_EQ(report.charts.size(), 1u);
  EXPECT_EQ(filled_.find("<script>"), std::string::npos);
  for (const char* list : {"top-pages", "top-visitors", "top-referrers", "top-errors"}) {
    SCOPED_TRACE(list);
    std::set<std::string> shown;
    for (const auto& row : report.Table(list).body) shown.insert(row[1]);
    // Empty referrers and user agents are not counted.
    const bool keepsEmpty = std::string(list) != "top-referrers";
    EXPECT_EQ(shown.size(), std::size(keys) - (keepsEmpty ? 0 : 1));
    for (const std::string& key : keys)
      if (!key.empty() || keepsEmpty) {
        EXPECT_EQ(shown.count(AsRead(key)), 1u) << AsRead(key);
      }
  }
  // The old tables put texts in as they are, and the new placeholders stay out of them.
  ParsedReport old = FillAndRead("<TABLE>%Pages%</TABLE>", true);
  EXPECT_NE(filled_.find("<TD>/%Days%</TD>"), std::string::npos);
  EXPECT_NE(filled_.find("<TD>/%TopPages:1000%</TD>"), std::string::npos);
  EXPECT_NE(filled_.find("<TD>/%HoursChart%</TD>"), std::string::npos);
  EXPECT_EQ(old.tables.size(), 1u);
  EXPECT_TRUE(old.charts.empty());
}

// An earlier template knows none of the new names: its report is what it always was.
TEST_F(HtmlSectionsTest, EarlierTemplateIsFilledAsBefore) {
  FillSampleStats(stats_);
  settings_ = {"C:&D <\"x\"> '%Path%'", false, true, false};
  stats_.slPages.ObjectOrCreate(stats_.slPages.Add("/%TopPages%"));
  const std::string earlier =
      ReadFile(std::string(KESTRUNE_SOURCE_DIR) + "/tests/reports/data/placeholders.html");
  std::string today;
  const std::string written =
      WrittenOnOneDay([&] { FillAndRead(earlier, true); }, [&] { return filled_; }, today);
  std::string golden = Golden("sample.html", today);
  const std::string lastRow = "<TR VALIGN=TOP><TD>/caf\xE9/%Pages%.html</TD><TD>1</TD></TR>\r\n";
  golden.insert(golden.find(lastRow) + lastRow.size(),
                "<TR VALIGN=TOP><TD>/%TopPages%</TD><TD>0</TD></TR>\r\n");
  golden.replace(golden.find("<P>5 pages</P>"), 14, "<P>6 pages</P>");
  EXPECT_EQ(written, golden);
}

}  // namespace
}  // namespace kestrune::test
