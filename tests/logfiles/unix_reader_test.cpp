#include <gtest/gtest.h>

#include "logfiles/log_readers.h"
#include "test_support.h"
#include "util/error.h"

namespace kestrune {
namespace {

using testing::RecordingHost;
using testing::RecordingStore;
using testing::TempDir;

class UnixReaderTest : public ::testing::Test {
 protected:
  int Scan(const std::string& file, bool addToDb = false) {
    ReaderContext context{stats, host, &store};
    return ScanUnixFile(file, "10.1.1.1", addToDb, context);
  }
  std::string ErrorOf(const std::string& file) {
    try {
      Scan(file);
    } catch (const Error& error) {
      return error.what();
    }
    return "no error";
  }

  TempDir dir;
  clsImportStats stats;
  RecordingHost host;
  RecordingStore store;
};

TEST_F(UnixReaderTest, ReadsEntriesCommentsAndDrivesTheHost) {
  const std::string file = dir.Write(
      "access_log",
      "# started\n"
      "host.example.com - frank [10/Oct/2000:13:55:36 -0700] \"GET /apache_pb.gif HTTP/1.0\" "
      "200 2326\n"
      "   \n"
      "#\n"
      "10.0.0.2 - - [10/Oct/2000:14:00:00 -0700] \"post /cgi/form.PL HTTP/1.1\" 404 - "
      "\"http://ref/\" \"Agent\"\n");
  EXPECT_EQ(Scan(file, true), 5);
  EXPECT_EQ(stats.Entries, 5u);
  EXPECT_EQ(stats.Comments, 3u);
  EXPECT_EQ(stats.Ignored, 3u);
  EXPECT_EQ(stats.Allowed, 2u);
  EXPECT_EQ(stats.POST, 1u);
  EXPECT_EQ(stats.Error404, 1u);
  EXPECT_EQ(stats.slReferers.Count(), 0);
  EXPECT_EQ(stats.slUserAgents.Count(), 0);

  EXPECT_EQ(host.statuses, std::vector<std::string>{"Importing UNIX file " + file});
  EXPECT_EQ(host.progressMax, 5);
  EXPECT_EQ(host.positions, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(host.showStatsCalls, 5);
  EXPECT_EQ(host.endCalls, 1);

  ASSERT_EQ(store.entries.size(), 2u);
  EXPECT_EQ(store.entries[0].date, "2000-10-10");
  EXPECT_EQ(store.entries[0].siteIP, "10.1.1.1");
  EXPECT_EQ(store.entries[0].visitor, "HOST.EXAMPLE.COM");
  EXPECT_EQ(store.entries[0].page, "/APACHE_PB.GIF");
  EXPECT_EQ(store.entries[0].bytes, 2326u);
  EXPECT_EQ(store.entries[1].method, "POST");
  EXPECT_EQ(store.entries[1].page, "/CGI/FORM.PL");
  EXPECT_EQ(store.entries[1].httpVersion, "HTTP/1.1");
  EXPECT_EQ(store.entries[1].bytes, 0u);
  EXPECT_EQ(store.entries[1].timeTaken, 0u);
}

TEST_F(UnixReaderTest, AnInvalidCalendarDateTakesPartInTheDateRange) {
  Scan(dir.Write("bad-date.log",
                 "h - - [10/Oct/2000:13:55:36 +0000] \"GET / HTTP/1.0\" 200 1\n"
                 "h - - [10/October/2000:13:55:36 +0000] \"GET / HTTP/1.0\" 200 1\n"));
  EXPECT_EQ(stats.Allowed, 2u);
  EXPECT_GT(stats.LastDate, kInvalidUnixDate);
}

TEST_F(UnixReaderTest, AnInvalidTimeOrZoneEndsTheFileWithAnError) {
  const std::string file =
      dir.Write("bad.log",
                "h - - [10/Oct/2000:13:55:36 -0700] \"GET / HTTP/1.0\" 200 1\n"
                "h - - [10/Oct/2000:24:00:00 -0700] \"GET / HTTP/1.0\" 200 1\n"
                "h - - [10/Oct/2000:13:55:38 -0700] \"GET / HTTP/1.0\" 200 1\n");
  EXPECT_EQ(ErrorOf(file), "Invalid time \"10/OCT/2000:24:00:00 -0700\" in line 2 of " + file);
  EXPECT_EQ(stats.Entries, 2u);
  EXPECT_EQ(stats.Allowed, 1u);

  const std::string zone =
      dir.Write("zone.log", "h - - [10/Oct/2000:13:55:36 +2500] \"GET / HTTP/1.0\" 200 1\n");
  EXPECT_EQ(ErrorOf(zone), "Invalid time zone \"10/OCT/2000:13:55:36 +2500\" in line 1 of " + zone);
}

TEST_F(UnixReaderTest, MissingAndEmptyFilesCountNothing) {
  const std::string missing = dir.Path("nothing.log");
  EXPECT_EQ(Scan(missing), 0);
  EXPECT_EQ(host.statuses.back(), "File not found: " + missing);
  EXPECT_EQ(Scan(dir.Write("empty.log", "")), 0);
  EXPECT_EQ(stats.Entries, 0u);
  EXPECT_EQ(stats.Comments, 0u);
}

TEST_F(UnixReaderTest, NulBytesAndGarbageNeverStopTheReading) {
  using namespace std::string_literals;
  Scan(dir.Write("nul.log",
                 "h - - [10/Oct/2000:13:55:36] \"GET /a HTTP/1.0\" 200 1\r\x01\x02\xff"
                 "\r\xfe\xfd [ ] \" \"\n\0\0\0k - - [10/Oct/2000:13:55:37] \"GET /b HTTP/1.0\" "
                 "200 1\n"s));
  EXPECT_EQ(stats.Entries, 4u);
  EXPECT_EQ(stats.Comments, 2u);
  EXPECT_EQ(stats.Allowed, 2u);
}

}  // namespace
}  // namespace kestrune
