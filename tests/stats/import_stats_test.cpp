#include "stats/import_stats.h"

#include <gtest/gtest.h>

#include "stats/add_stats.h"

namespace kestrune {
namespace {

void ExpectAllCountersZero(const clsImportStats& s) {
  for (Counter c :
       {s.Entries,        s.Comments,          s.Allowed,      s.Ignored,  s.Http10Requests,
        s.Http11Requests, s.PageHits,          s.HEAD,         s.GET,      s.POST,
        s.OPTIONS,        s.UNKNOWN,           s.RepeatUserRq, s.NewUsers, s.Downloads,
        s.RepeatRefRq,    s.NewReferers,       s.Errors,       s.Error3xx, s.Error404,
        s.OtherErrors,    s.IgnoredExtensions, s.IgnoredUsers})
    EXPECT_EQ(c, 0u);
  EXPECT_EQ(s.Traffic, 0);
  EXPECT_EQ(s.DownloadTraffic, 0);
  EXPECT_EQ(s.FirstDate, 0);
  EXPECT_EQ(s.LastDate, 0);
  EXPECT_EQ(s.slFiles.Count(), 0);
  EXPECT_EQ(s.slReferers.Count(), 0);
  EXPECT_EQ(s.slUsers.Count(), 0);
  EXPECT_EQ(s.slPages.Count(), 0);
  EXPECT_EQ(s.slUserAgents.Count(), 0);
  EXPECT_EQ(s.slErrors.Count(), 0);
  EXPECT_EQ(s.ByTime.DayCount(), 0u);
  for (int h = 0; h < 24; ++h) {
    EXPECT_EQ(s.ByTime.Hour(h).Hits, 0u);
    EXPECT_EQ(s.ByTime.Hour(h).Bytes, 0);
  }
  EXPECT_TRUE(s.UseDownloadExt);
  EXPECT_TRUE(s.UseIgnoreExt);
  EXPECT_TRUE(s.UseIgnoreIP);
}

TEST(ImportStatsTest, ConstructedEmpty) {
  clsImportStats stats;
  ExpectAllCountersZero(stats);
  EXPECT_EQ(stats.ImportStarted, 0);
  EXPECT_EQ(stats.ImportFinished, 0);
  EXPECT_EQ(stats.slDownloadExt.Count(), 0);
  EXPECT_EQ(stats.slIgnoreExt.Count(), 0);
  EXPECT_EQ(stats.slIgnoreIP.Count(), 0);
}

TEST(ImportStatsTest, NewItemObjectsStartAtZero) {
  clsUserObject user;
  EXPECT_EQ(user.Hits, 0u);
  EXPECT_EQ(user.LastDate, 0);
  EXPECT_FALSE(user.Robot);
  EXPECT_FALSE(user.LastWasDownload);
  EXPECT_EQ(user.LastPage, kNoPage);
  EXPECT_NE(user.LastPage, 0);
  clsPageObject page;
  EXPECT_EQ(page.Entrances + page.Exits + page.GET + page.UNKNOWN, 0u);
  EXPECT_EQ(page.LastHit, 0);
  EXPECT_EQ(clsErrorObject().StatusCode, 0);
  EXPECT_EQ(clsPFileObject().LineCount, 0);
}

TEST(ImportStatsTest, ClearResetsResultsButKeepsConfigurationAndImportTimes) {
  clsImportStats stats;
  stats.slDownloadExt.Add("zip");
  stats.slIgnoreExt.Add("gif");
  stats.slIgnoreIP.Add("10.0.0.9");
  stats.ImportStarted = 45000.25;
  stats.ImportFinished = 45000.5;
  stats.slFiles.ObjectOrCreate(stats.slFiles.Add("/logs/ex1.log")).LineCount = 4;

  LogEntry e;
  e.DateTime = 45000.5;
  e.Visitor = "1.2.3.4";
  e.Page = "/a.zip";
  e.Extension = "zip";
  e.Referrer = "http://r/";
  e.UserAgent = "UA";
  e.Method = "GET";
  e.HTTPVersion = "HTTP/1.1";
  e.Statuscode = 404;
  e.Bytes = 100;
  AddStats(stats, false, e);
  e.Visitor = "10.0.0.9";
  AddStats(stats, false, e);
  e.Visitor = "1.2.3.5";
  e.Extension = "gif";
  AddStats(stats, false, e);
  stats.Entries = 3;
  stats.Comments = 1;
  stats.UseDownloadExt = stats.UseIgnoreExt = stats.UseIgnoreIP = false;
  ASSERT_EQ(stats.Allowed, 1u);
  ASSERT_EQ(stats.slErrors.Count(), 1);
  ASSERT_EQ(stats.ByTime.DayCount(), 1u);

  stats.Clear();
  ExpectAllCountersZero(stats);
  EXPECT_EQ(stats.ImportStarted, 45000.25);
  EXPECT_EQ(stats.ImportFinished, 45000.5);
  // The configuration lists keep their keys and what their objects counted.
  ASSERT_EQ(stats.slDownloadExt.Count(), 1);
  ASSERT_EQ(stats.slIgnoreExt.Count(), 1);
  ASSERT_EQ(stats.slIgnoreIP.Count(), 1);
  ASSERT_NE(stats.slDownloadExt.Object(0), nullptr);
  EXPECT_EQ(stats.slDownloadExt.Object(0)->Hits, 1u);
  ASSERT_NE(stats.slIgnoreIP.Object(0), nullptr);
  EXPECT_EQ(stats.slIgnoreIP.Object(0)->Hits, 1u);
  ASSERT_NE(stats.slIgnoreExt.Object(0), nullptr);
  EXPECT_EQ(stats.slIgnoreExt.Object(0)->Hits, 1u);

  // The next import counts from zero again.
  e.Extension = "htm";
  AddStats(stats, false, e);
  EXPECT_EQ(stats.Allowed, 1u);
  EXPECT_EQ(stats.NewUsers, 1u);
  EXPECT_EQ(stats.slUsers.Count(), 1);
  // The visitor of index 0 is a new one: counted again on that day.
  ASSERT_EQ(stats.ByTime.Days().size(), 1u);
  EXPECT_EQ(stats.ByTime.Days()[0].Visitors, 1u);
  EXPECT_EQ(stats.ByTime.Days()[0].Hits, 1u);
  EXPECT_EQ(stats.slPages.Object(0)->Entrances, 1u);
}

}  // namespace
}  // namespace kestrune
