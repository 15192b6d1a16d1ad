// AddStats runs once per log line: once every key it meets is known, it must not touch
// the heap. This binary counts global allocations to hold it to that.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "stats/add_stats.h"

// The replacement pair below is matched; GCC cannot see that through inlining.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
std::atomic<long> g_allocations{0};
}

void* operator new(std::size_t size) {
  ++g_allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace kestrune {
namespace {

class NullStore : public EntryStore {
 public:
  void AddToDb(const std::string&, const std::string&, const std::string&, const std::string&,
               const std::string&, const std::string&, const std::string&, std::uint32_t,
               std::uint32_t, std::uint32_t, std::uint32_t) override {
    ++rows;
  }
  long rows = 0;
};

TEST(AddStatsAllocationTest, NoHeapUseOnceKeysAreKnown) {
  clsImportStats stats;
  stats.slDownloadExt.Add("zip");
  stats.slIgnoreExt.Add("gif");
  stats.slIgnoreIP.Add("10.9.9.9");
  NullStore store;
  LogEntry e;
  e.Date = "2026-10-09";
  e.SiteIP = "192.168.0.1";
  e.Method = "GET";
  e.HTTPVersion = "HTTP/1.1";
  e.UserAgent = "Mozilla/5.0 (X11; Linux x86_64) a fairly long user agent text";
  e.Referrer = "http://www.example.com/some/where/with/a/long/path.htm";
  const std::string pages[] = {"/index.htm", "/files/a-long-download-name.zip", "/img/logo.gif",
                               "/Robots.txt", "/missing-page-name.htm"};
  const std::string exts[] = {"htm", "zip", "gif", "txt", "htm"};
  const std::string visitors[] = {"192.168.100.101", "10.9.9.9", "crawler.example.com"};

  auto run = [&](int rounds) {
    for (int i = 0; i < rounds; ++i) {
      e.Visitor = visitors[i % 3];
      e.Page = pages[i % 5];
      e.Extension = exts[i % 5];
      e.Statuscode = i % 5 == 4 ? 404 : 200;
      e.Bytes = 1000u + i;
      // Three days in turn, so that the tally by day meets known days and visitors.
      e.DateTime = 45000.0 + (i % 3) + i / 86400.0;
      AddStats(stats, true, e, &store);
    }
  };
  const long start = g_allocations.load();
  run(100);  // every key, day and visitor of a day is listed now
  const long before = g_allocations.load();
  EXPECT_GT(before - start, 0);  // the counting itself works
  run(10000);
  EXPECT_EQ(g_allocations.load() - before, 0);
  EXPECT_GT(store.rows, 0);
  EXPECT_EQ(stats.slPages.Count(), 4);  // the gif page is ignored
}

}  // namespace
}  // namespace kestrune
