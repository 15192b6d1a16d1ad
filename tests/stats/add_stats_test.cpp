#include "stats/add_stats.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

#include "util/datetime.h"
#include "util/error.h"

namespace kestrune {
namespace {

// 9 October 2026 at the given time of day.
TDateTime At(int h, int n, int s, int dayOffset = 0) {
  TDateTime d = 0, t = 0;
  TryEncodeDate(2026, 10, 9, d);
  TryEncodeTime(h, n, s, 0, t);
  return d + dayOffset + t;
}

LogEntry Entry(const std::string& visitor, const std::string& page, TDateTime when) {
  LogEntry e;
  e.Date = "2026-10-09";
  e.DateTime = when;
  e.SiteIP = "192.168.0.1";
  e.Visitor = visitor;
  e.Page = page;
  const auto dot = page.rfind('.');
  if (dot != std::string::npos) e.Extension = page.substr(dot + 1);
  e.Method = "GET";
  e.HTTPVersion = "HTTP/1.1";
  e.Statuscode = 200;
  e.Bytes = 1000;
  e.TimeTaken = 15;
  e.Port = 80;
  return e;
}

struct StoredRow {
  std::string date, siteIP, visitor, page, referrer, method, httpVersion;
  std::uint32_t statuscode, bytes, timeTaken, port;
};

class RecordingStore : public EntryStore {
 public:
  void AddToDb(const std::string& date, const std::string& siteIP, const std::string& visitor,
               const std::string& page, const std::string& referrer, const std::string& method,
               const std::string& httpVersion, std::uint32_t statuscode, std::uint32_t bytes,
               std::uint32_t timeTaken, std::uint32_t port) override {
    rows.push_back(StoredRow{date, siteIP, visitor, page, referrer, method, httpVersion, statuscode,
                             bytes, timeTaken, port});
    if (fail) throw Error("database gone");
  }
  std::vector<StoredRow> rows;
  bool fail = false;
};

class AddStatsTest : public ::testing::Test {
 protected:
  void SetUp() override { std::setlocale(LC_ALL, "C"); }

  void Add(const LogEntry& e) { AddStats(stats, false, e); }
  clsUserObject& User(const std::string& key) {
    const int i = stats.slUsers.IndexOf(key);
    EXPECT_GE(i, 0) << key;
    return *stats.slUsers.Object(i);
  }
  clsPageObject& Page(const std::string& key) {
    const int i = stats.slPages.IndexOf(key);
    EXPECT_GE(i, 0) << key;
    return *stats.slPages.Object(i);
  }

  clsImportStats stats;
};

TEST_F(AddStatsTest, IgnoredAddressChangesOnlyItsOwnCounters) {
  stats.slIgnoreIP.Add("10.0.0.1");
  RecordingStore store;
  LogEntry e = Entry("10.0.0.1", "/a.htm", At(10, 0, 0));
  e.Statuscode = 500;
  e.Referrer = "http://x/";
  e.UserAgent = "UA";
  AddStats(stats, true, e, &store);
  EXPECT_EQ(stats.Ignored, 1u);
  EXPECT_EQ(stats.IgnoredUsers, 1u);
  EXPECT_EQ(stats.Allowed, 0u);
  EXPECT_EQ(stats.Errors, 0u);
  EXPECT_EQ(stats.Traffic, 0);
  EXPECT_EQ(stats.FirstDate, 0);  // not even the date range
  EXPECT_EQ(stats.LastDate, 0);
  EXPECT_EQ(stats.slUsers.Count() + stats.slPages.Count() + stats.slErrors.Count() +
                stats.slReferers.Count() + stats.slUserAgents.Count(),
            0);
  EXPECT_TRUE(store.rows.empty());
  ASSERT_EQ(stats.slIgnoreIP.Count(), 1);  // the key is not added again
  const clsIgnoreIPObject* ip = stats.slIgnoreIP.Object(0);
  ASSERT_NE(ip, nullptr);
  EXPECT_EQ(ip->Hits, 1u);
  EXPECT_EQ(ip->Visits, 1u);
  EXPECT_EQ(ip->Bytes, 1000);
  EXPECT_EQ(ip->TimeTaken, 15);
  EXPECT_EQ(ip->LastDate, At(10, 0, 0));

  // With the test off the same entry is accumulated.
  stats.UseIgnoreIP = false;
  Add(e);
  EXPECT_EQ(stats.Allowed, 1u);
  EXPECT_EQ(stats.Ignored, 1u);
  EXPECT_EQ(stats.slUsers.Count(), 1);
  EXPECT_EQ(stats.FirstDate, At(10, 0, 0));
  EXPECT_EQ(ip->Hits, 1u);
}

TEST_F(AddStatsTest, IgnoredExtensionWidensTheDateRangeOnly) {
  stats.slIgnoreExt.Add("gif");
  Add(Entry("1.1.1.1", "/img/a.GIF", At(12, 0, 0)));
  Add(Entry("1.1.1.1", "/img/b.gif", At(8, 0, 0)));
  Add(Entry("1.1.1.1", "/img/c.Gif", At(20, 0, 0)));
  EXPECT_EQ(stats.FirstDate, At(8, 0, 0));
  EXPECT_EQ(stats.LastDate, At(20, 0, 0));
  EXPECT_EQ(stats.Ignored, 3u);
  EXPECT_EQ(stats.IgnoredExtensions, 3u);
  EXPECT_EQ(stats.IgnoredUsers, 0u);
  EXPECT_EQ(stats.Allowed, 0u);
  EXPECT_EQ(stats.PageHits, 0u);
  EXPECT_EQ(stats.GET, 0u);
  EXPECT_EQ(stats.Http11Requests, 0u);
  EXPECT_EQ(stats.Traffic, 0);
  EXPECT_EQ(stats.slUsers.Count(), 0);
  EXPECT_EQ(stats.slPages.Count(), 0);
  const clsIgnoreExtObject* ext = stats.slIgnoreExt.Object(0);
  ASSERT_NE(ext, nullptr);
  EXPECT_EQ(ext->Hits, 3u);
  EXPECT_EQ(ext->Visits, 3u);
  EXPECT_EQ(ext->LastDate, At(20, 0, 0));

  stats.UseIgnoreExt = false;
  Add(Entry("1.1.1.1", "/img/d.gif", At(21, 0, 0)));
  EXPECT_EQ(stats.Allowed, 1u);
  EXPECT_EQ(ext->Hits, 3u);
}

TEST_F(AddStatsTest, DateRangeStaysUnsetUntilADatedEntry) {
  Add(Entry("1.1.1.1", "/a", 0));
  EXPECT_EQ(stats.FirstDate, 0);
  EXPECT_EQ(stats.LastDate, 0);
  Add(Entry("1.1.1.1", "/a", At(9, 0, 0)));
  Add(Entry("1.1.1.1", "/a", 0));
  EXPECT_EQ(stats.FirstDate, At(9, 0, 0));
  EXPECT_EQ(stats.LastDate, At(9, 0, 0));
}

TEST_F(AddStatsTest, StatusClasses) {
  struct Case {
    std::uint32_t status;
    Counter errors, e3xx, e404, other;
  } cases[] = {
      {200, 0, 0, 0, 0}, {299, 0, 0, 0, 0}, {199, 1, 0, 0, 1}, {300, 1, 1, 0, 0}, {304, 1, 1, 0, 0},
      {399, 1, 1, 0, 0}, {404, 1, 0, 1, 0}, {500, 1, 0, 0, 1}, {0, 1, 0, 0, 1},   {400, 1, 0, 0, 1},
  };
  for (const auto& c : cases) {
    clsImportStats s;
    LogEntry e = Entry("1.1.1.1", "/Missing.htm", At(10, 0, 0));
    e.Statuscode = c.status;
    AddStats(s, false, e);
    EXPECT_EQ(s.Errors, c.errors) << c.status;
    EXPECT_EQ(s.Error3xx, c.e3xx) << c.status;
    EXPECT_EQ(s.Error404, c.e404) << c.status;
    EXPECT_EQ(s.OtherErrors, c.other) << c.status;
    EXPECT_EQ(s.Allowed, 1u);
    EXPECT_EQ(s.slErrors.Count(), static_cast<int>(c.errors)) << c.status;
  }
}

TEST_F(AddStatsTest, ErrorPagesKeepTheLatestStatus) {
  LogEntry e = Entry("1.1.1.1", "/x.htm", At(10, 0, 0));
  e.Statuscode = 404;
  Add(e);
  e.Page = "/X.HTM";
  e.Statuscode = 500;
  e.DateTime = At(10, 0, 5);  // continues the visit, yet the error object sees a new one
  Add(e);
  ASSERT_EQ(stats.slErrors.Count(), 1);
  EXPECT_EQ(stats.slErrors.Key(0), "/x.htm");
  const clsErrorObject* err = stats.slErrors.Object(0);
  EXPECT_EQ(err->StatusCode, 500);
  EXPECT_EQ(err->Hits, 2u);
  EXPECT_EQ(err->Visits, 2u);
  EXPECT_EQ(err->TimeSpent, 0);
  EXPECT_EQ(err->Bytes, 2000);
  EXPECT_EQ(err->LastDate, At(10, 0, 5));
  EXPECT_EQ(User("1.1.1.1").Visits, 1u);
}

TEST_F(AddStatsTest, MethodsAreComparedExactly) {
  for (const char* m : {"GET", "POST", "OPTIONS", "HEAD", "get", "Post", "PUT", ""}) {
    LogEntry e = Entry("1.1.1.1", "/form", At(10, 0, 0));
    e.Method = m;
    Add(e);
  }
  EXPECT_EQ(stats.GET, 1u);
  EXPECT_EQ(stats.POST, 1u);
  EXPECT_EQ(stats.OPTIONS, 1u);
  EXPECT_EQ(stats.HEAD, 1u);
  EXPECT_EQ(stats.UNKNOWN, 4u);
  const clsPageObject& page = Page("/form");
  EXPECT_EQ(page.GET, 1u);
  EXPECT_EQ(page.POST, 1u);
  EXPECT_EQ(page.OPTIONS, 1u);
  EXPECT_EQ(page.HEAD, 1u);
  EXPECT_EQ(page.UNKNOWN, 4u);
}

TEST_F(AddStatsTest, OnlyExactHttp11CountsAsHttp11) {
  for (const char* v : {"HTTP/1.1", "http/1.1", "", "HTTP/1.0", "HTTP/1.1 ", "HTTP/1.10"}) {
    LogEntry e = Entry("1.1.1.1", "/", At(10, 0, 0));
    e.HTTPVersion = v;
    Add(e);
  }
  EXPECT_EQ(stats.Http11Requests, 1u);
  EXPECT_EQ(stats.Http10Requests, 5u);
}

TEST_F(AddStatsTest, Gap899SecondsContinuesTheVisit) {
  Add(Entry("v", "/first", At(10, 0, 0)));
  Add(Entry("v", "/second", At(10, 14, 59)));
  const clsUserObject& user = User("v");
  EXPECT_EQ(user.Hits, 2u);
  EXPECT_EQ(user.Visits, 1u);
  EXPECT_EQ(user.TimeSpent, 899);
  EXPECT_EQ(Page("/first").TimeSpent, 899);
  EXPECT_EQ(Page("/first").Exits, 0u);
  EXPECT_EQ(Page("/second").Entrances, 0u);
  EXPECT_EQ(Page("/second").Visits, 0u);
  EXPECT_EQ(Page("/second").TimeSpent, 0);
  EXPECT_EQ(stats.NewUsers, 1u);
  EXPECT_EQ(stats.RepeatUserRq, 1u);
}

TEST_F(AddStatsTest, Gap900SecondsBeginsANewVisit) {
  Add(Entry("v", "/first", At(10, 0, 0)));
  Add(Entry("v", "/second", At(10, 15, 0)));
  const clsUserObject& user = User("v");
  EXPECT_EQ(user.Visits, 2u);
  EXPECT_EQ(user.TimeSpent, 0);
  EXPECT_EQ(Page("/first").Exits, 1u);
  EXPECT_EQ(Page("/first").TimeSpent, 0);
  EXPECT_EQ(Page("/first").Entrances, 1u);
  EXPECT_EQ(Page("/second").Entrances, 1u);
  EXPECT_EQ(Page("/second").Visits, 1u);
  EXPECT_EQ(Page("/second").Exits, 0u);  // the last page of the last visit gets none
}

TEST_F(AddStatsTest, IdenticalTimesAreAOneSecondGap) {
  Add(Entry("v", "/a", At(10, 0, 0)));
  Add(Entry("v", "/b", At(10, 0, 0)));
  EXPECT_EQ(User("v").Visits, 1u);
  EXPECT_EQ(User("v").TimeSpent, 1);
  EXPECT_EQ(Page("/a").TimeSpent, 1);
}

TEST_F(AddStatsTest, LongAndNegativeGapsBeginNewVisits) {
  Add(Entry("v", "/a", At(10, 0, 0)));
  Add(Entry("v", "/b", At(10, 5, 0, 1)));  // 24 hours and 5 minutes later
  EXPECT_EQ(User("v").Visits, 2u);
  Add(Entry("v", "/c", At(10, 4, 0, 1)));  // earlier than the visitor's latest entry
  EXPECT_EQ(User("v").Visits, 3u);
  EXPECT_EQ(User("v").LastDate, At(10, 5, 0, 1));
  EXPECT_EQ(User("v").TimeSpent, 0);
  Add(Entry("v", "/d", At(10, 5, 10, 1)));  // 10 s after the latest
  EXPECT_EQ(User("v").Visits, 3u);
  EXPECT_EQ(User("v").TimeSpent, 10);
  EXPECT_EQ(Page("/c").TimeSpent, 10);  // credited to the page viewed just before
}

TEST_F(AddStatsTest, UndatedEntriesAlwaysBeginVisits) {
  Add(Entry("v", "/a", 0));
  Add(Entry("v", "/a", 0));
  EXPECT_EQ(User("v").Visits, 2u);
  EXPECT_EQ(Page("/a").Entrances, 2u);
  EXPECT_EQ(Page("/a").Exits, 1u);
}

TEST_F(AddStatsTest, TheFirstPageListedIsAValidPreviousPage) {
  Add(Entry("v", "/p0", At(10, 0, 0)));
  ASSERT_EQ(stats.slPages.IndexOf("/p0"), 0);
  Add(Entry("v", "/p1", At(10, 0, 30)));
  EXPECT_EQ(Page("/p0").TimeSpent, 30);
  Add(Entry("v", "/p0", At(10, 1, 0)));
  EXPECT_EQ(Page("/p1").TimeSpent, 30);
  Add(Entry("v", "/p2", At(11, 0, 0)));
  EXPECT_EQ(Page("/p0").Exits, 1u);
  EXPECT_EQ(Page("/p0").TimeSpent, 30);
  EXPECT_EQ(Page("/p0").Entrances, 1u);
  EXPECT_EQ(Page("/p0").Hits, 2u);
  EXPECT_EQ(User("v").LastPage, stats.slPages.IndexOf("/p2"));
  EXPECT_EQ(User("v").TimeSpent, 60);

  // Another visitor's first entry on page 0 leaves the first visitor's pages alone.
  Add(Entry("w", "/p0", At(11, 0, 1)));
  EXPECT_EQ(Page("/p0").Entrances, 2u);
  EXPECT_EQ(Page("/p2").Exits, 0u);
}

TEST_F(AddStatsTest, VisitorsPagesAndAgentsMergeWithoutRegardToCase) {
  LogEntry e = Entry("Host.Example", "/Index.htm", At(10, 0, 0));
  e.UserAgent = "Mozilla/4.0";
  Add(e);
  e.Visitor = "host.example";
  e.Page = "/index.HTM";
  e.UserAgent = "MOZILLA/4.0";
  e.DateTime = At(10, 0, 1);
  Add(e);
  ASSERT_EQ(stats.slUsers.Count(), 1);
  EXPECT_EQ(stats.slUsers.Key(0), "Host.Example");
  ASSERT_EQ(stats.slPages.Count(), 1);
  EXPECT_EQ(stats.slPages.Key(0), "/Index.htm");
  ASSERT_EQ(stats.slUserAgents.Count(), 1);
  EXPECT_EQ(stats.slUserAgents.Key(0), "Mozilla/4.0");
  EXPECT_EQ(stats.slUserAgents.Object(0)->Hits, 2u);
  EXPECT_EQ(stats.slUserAgents.Object(0)->Visits, 1u);
  EXPECT_EQ(stats.slUserAgents.Object(0)->TimeSpent, 0);
  EXPECT_EQ(stats.NewUsers, 1u);
  EXPECT_EQ(stats.RepeatUserRq, 1u);
  EXPECT_EQ(Page("/index.htm").LastHit, At(10, 0, 1));
  e.UserAgent.clear();
  Add(e);
  EXPECT_EQ(stats.slUserAgents.Count(), 1);
  EXPECT_EQ(stats.slUserAgents.Object(0)->Hits, 2u);
}

TEST_F(AddStatsTest, Referrers) {
  LogEntry e = Entry("v", "/", At(10, 0, 0));
  Add(e);  // empty referrer
  EXPECT_EQ(stats.NewReferers, 0u);
  EXPECT_EQ(stats.RepeatRefRq, 0u);
  EXPECT_EQ(stats.slReferers.Count(), 0);
  e.Referrer = "http://Search.example/?q=a";
  Add(e);
  e.Referrer = "http://search.example/?q=A";
  Add(e);
  EXPECT_EQ(stats.NewReferers, 1u);
  EXPECT_EQ(stats.RepeatRefRq, 1u);
  ASSERT_EQ(stats.slReferers.Count(), 1);
  EXPECT_EQ(stats.slReferers.Object(0)->Hits, 2u);
}

TEST_F(AddStatsTest, DownloadsAndTheLastWasDownloadFlag) {
  stats.slDownloadExt.Add("ZIP");
  Add(Entry("v", "/files/tool.zip", At(10, 0, 0)));
  EXPECT_EQ(stats.Downloads, 1u);
  EXPECT_EQ(stats.DownloadTraffic, 1000);
  EXPECT_TRUE(User("v").LastWasDownload);
  ASSERT_NE(stats.slDownloadExt.Object(0), nullptr);
  EXPECT_EQ(stats.slDownloadExt.Object(0)->Hits, 1u);
  Add(Entry("v", "/index.htm", At(10, 0, 5)));
  EXPECT_FALSE(User("v").LastWasDownload);
  Add(Entry("v", "/files/tool.zip", At(10, 0, 9)));
  EXPECT_EQ(stats.slDownloadExt.Object(0)->Visits, 2u);  // always a "new visit" there
  stats.UseDownloadExt = false;
  Add(Entry("v", "/files/tool.zip", At(10, 0, 10)));
  EXPECT_EQ(stats.Downloads, 2u);
  EXPECT_FALSE(User("v").LastWasDownload);
  EXPECT_EQ(stats.Traffic, 4000);
}

TEST_F(AddStatsTest, RobotFlagIsSetOnceAndStays) {
  Add(Entry("bot", "/index.htm", At(10, 0, 0)));
  EXPECT_FALSE(User("bot").Robot);
  Add(Entry("bot", "/ROBOTS.TXT", At(10, 0, 1)));
  EXPECT_TRUE(User("bot").Robot);
  Add(Entry("bot", "/index.htm", At(10, 0, 2)));
  EXPECT_TRUE(User("bot").Robot);
  Add(Entry("other", "/robots.tx", At(10, 0, 0)));
  Add(Entry("other", "/robotsXtxt", At(10, 0, 0)));
  EXPECT_FALSE(User("other").Robot);
  Add(Entry("third", "/sub/Robots.Txt?x", At(10, 0, 0)));
  EXPECT_TRUE(User("third").Robot);
  Add(Entry("fourth", "/rrobots.txt", At(10, 0, 0)));
  EXPECT_TRUE(User("fourth").Robot);
}

TEST_F(AddStatsTest, LargestByteValueIsAddedUnsigned) {
  LogEntry e = Entry("v", "/big.iso", At(10, 0, 0));
  e.Bytes = 4294967295u;
  e.TimeTaken = 4294967295u;
  Add(e);
  EXPECT_EQ(stats.Traffic, 4294967295.0);
  EXPECT_EQ(Page("/big.iso").Bytes, 4294967295.0);
  EXPECT_EQ(Page("/big.iso").TimeTaken, 4294967295.0);
  Add(e);
  EXPECT_EQ(stats.Traffic, 8589934590.0);
  EXPECT_EQ(User("v").Bytes, 8589934590.0);
}

TEST_F(AddStatsTest, StorageGetsUnknownReferrerAndPortZero) {
  RecordingStore store;
  LogEntry e = Entry("v", "/a.htm", At(10, 0, 0));
  e.Referrer = "http://ref/";
  e.UserAgent = "UA";
  e.Method = "POST";
  e.HTTPVersion = "HTTP/1.0";
  e.Statuscode = 302;
  e.Bytes = 4294967295u;
  e.TimeTaken = 77;
  e.Port = 8080;
  AddStats(stats, true, e, &store);
  ASSERT_EQ(store.rows.size(), 1u);
  const StoredRow& r = store.rows[0];
  EXPECT_EQ(r.date, "2026-10-09");
  EXPECT_EQ(r.siteIP, "192.168.0.1");
  EXPECT_EQ(r.visitor, "v");
  EXPECT_EQ(r.page, "/a.htm");
  EXPECT_EQ(r.referrer, "(unknown)");
  EXPECT_EQ(r.method, "POST");
  EXPECT_EQ(r.httpVersion, "HTTP/1.0");
  EXPECT_EQ(r.statuscode, 302u);
  EXPECT_EQ(r.bytes, 4294967295u);
  EXPECT_EQ(r.timeTaken, 77u);
  EXPECT_EQ(r.port, 0u);

  AddStats(stats, false, e, &store);  // storage off
  EXPECT_EQ(store.rows.size(), 1u);
  stats.slIgnoreExt.Add("htm");
  AddStats(stats, true, e, &store);  // dropped before storage
  EXPECT_EQ(store.rows.size(), 1u);
}

TEST_F(AddStatsTest, StorageFailurePropagatesAfterCounting) {
  RecordingStore store;
  store.fail = true;
  EXPECT_THROW(AddStats(stats, true, Entry("v", "/a", At(10, 0, 0)), &store), Error);
  EXPECT_EQ(stats.Allowed, 1u);
  EXPECT_EQ(store.rows.size(), 1u);
  EXPECT_THROW(AddStats(stats, true, Entry("v", "/a", At(10, 0, 1)), nullptr), Error);
}

TEST_F(AddStatsTest, EntriesAndCommentsAreLeftToTheReaders) {
  Add(Entry("v", "/a", At(10, 0, 0)));
  EXPECT_EQ(stats.Entries, 0u);
  EXPECT_EQ(stats.Comments, 0u);
  EXPECT_EQ(stats.PageHits, stats.Allowed);
}

TEST_F(AddStatsTest, TwoImportsWithoutClearAddUp) {
  for (int run = 0; run < 2; ++run) {
    stats.slFiles.ObjectOrCreate(stats.slFiles.Add("/logs/ex" + std::to_string(run) + ".log"));
    Add(Entry("v", "/a", At(10, 0, 0, run)));
    Add(Entry("w", "/b", At(11, 0, 0, run)));
  }
  EXPECT_EQ(stats.slFiles.Count(), 2);
  EXPECT_EQ(stats.Allowed, 4u);
  EXPECT_EQ(stats.NewUsers, 2u);
  EXPECT_EQ(stats.RepeatUserRq, 2u);
  EXPECT_EQ(User("v").Visits, 2u);
  EXPECT_EQ(stats.FirstDate, At(10, 0, 0));
  EXPECT_EQ(stats.LastDate, At(11, 0, 0, 1));
}

TEST(LogEntryTest, ClearEmptiesAndZeroes) {
  LogEntry e = Entry("visitor", "/a/very/long/page/name/that/is/not/short.htm", 45000.5);
  e.Referrer = "r";
  e.UserAgent = "u";
  const std::size_t capacity = e.Page.capacity();
  e.Clear();
  for (const std::string* s : {&e.Date, &e.SiteIP, &e.Visitor, &e.Page, &e.Extension, &e.Referrer,
                               &e.Method, &e.HTTPVersion, &e.UserAgent})
    EXPECT_TRUE(s->empty());
  EXPECT_EQ(e.DateTime, 0);
  EXPECT_EQ(e.Statuscode + e.Bytes + e.TimeTaken + e.Port, 0u);
  EXPECT_EQ(e.Page.capacity(), capacity);
}

}  // namespace
}  // namespace kestrune
