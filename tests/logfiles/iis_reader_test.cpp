#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "logfiles/log_readers.h"
#include "support/file_rights.h"
#include "test_support.h"
#include "util/error.h"

namespace kestrune {
namespace {

using testing::RecordingHost;
using testing::RecordingStore;
using testing::TempDir;

constexpr const char* kHeader =
    "#Software: Microsoft Internet Information Server 4.0\r\n"
    "#Version: 1.0\r\n"
    "#Date: 2026-03-01 00:00:00\r\n"
    "#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes time-taken cs-version "
    "cs(User-Agent) cs(Referer)\r\n";

class IISReaderTest : public ::testing::Test {
 protected:
  int Scan(const std::string& file, bool addToDb = false) {
    ReaderContext context{stats, host, &store};
    return ScanIISFile(file, addToDb, context);
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

TEST_F(IISReaderTest, CountsEveryLineAndDrivesTheHost) {
  const std::string file = dir.Write(
      "ex260301.log",
      std::string(kHeader) +
          "2026-03-01 10:00:00 10.0.0.1 GET /index.html 200 5120 15 HTTP/1.1 Mozilla/5.0 -\r\n"
          "    \r\n"
          "\t\x01\r\n"
          "2026-03-01 10:00:30 10.0.0.1 GET /logo.gif 304 0 0 HTTP/1.1 Mozilla/5.0 "
          "http://x/index.html\r\n");
  EXPECT_EQ(Scan(file, true), 8);
  EXPECT_EQ(stats.Entries, 8u);
  EXPECT_EQ(stats.Comments, 4u);
  EXPECT_EQ(stats.Ignored, 4u);
  EXPECT_EQ(stats.Allowed, 2u);
  EXPECT_EQ(stats.Error3xx, 1u);
  EXPECT_EQ(stats.slPages.Count(), 2);
  EXPECT_EQ(stats.slReferers.Count(), 2);  // "-" is a referrer text like any other
  EXPECT_EQ(stats.slUserAgents.Key(0), "Mozilla/5.0");

  EXPECT_EQ(host.statuses, std::vector<std::string>{"Importing IIS file " + file});
  EXPECT_EQ(host.initCalls, 1);
  EXPECT_EQ(host.progressMax, 8);
  EXPECT_EQ(host.positions, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(host.showStatsCalls, 8);
  EXPECT_EQ(host.endCalls, 1);

  ASSERT_EQ(store.entries.size(), 2u);
  EXPECT_EQ(store.entries[0].date, "2026-03-01");
  EXPECT_EQ(store.entries[0].visitor, "10.0.0.1");
  EXPECT_EQ(store.entries[0].page, "/index.html");
  EXPECT_EQ(store.entries[0].bytes, 5120u);
  EXPECT_EQ(store.entries[0].timeTaken, 15u);
  EXPECT_EQ(store.entries[1].statuscode, 304u);
}

TEST_F(IISReaderTest, AFileWithoutFieldsLineUsesTheDefaultPositions) {
  const std::string file = dir.Write(
      "plain.log",
      "2026-03-01 10:00:00 10.0.0.9 - W3SVC1 WEB1 192.168.0.5 HEAD /a/b.pdf 404 0 77 0 5 80 "
      "HTTP/1.0 Bot -\n");
  EXPECT_EQ(Scan(file, true), 1);
  ASSERT_EQ(store.entries.size(), 1u);
  EXPECT_EQ(store.entries[0].siteIP, "192.168.0.5");
  EXPECT_EQ(store.entries[0].method, "HEAD");
  EXPECT_EQ(store.entries[0].page, "/a/b.pdf");
  EXPECT_EQ(stats.Error404, 1u);
  EXPECT_EQ(stats.HEAD, 1u);
  EXPECT_EQ(stats.Http10Requests, 1u);
}

TEST_F(IISReaderTest, EachFileStartsFromTheDefaultColumns) {
  const std::string first =
      dir.Write("a.log", "#Fields: c-ip date time\n1.1.1.1 2026-03-01 10:00:00\n");
  const std::string second = dir.Write("b.log", "2026-03-02 10:00:00 2.2.2.2\n");
  Scan(first);
  Scan(second);
  ASSERT_EQ(stats.slUsers.Count(), 2);
  EXPECT_EQ(stats.slUsers.Key(0), "1.1.1.1");
  EXPECT_EQ(stats.slUsers.Key(1), "2.2.2.2");
}

TEST_F(IISReaderTest, AStatusOfDashCountsAsAnOtherError) {
  Scan(dir.Write("dash.log", "#Fields: date time c-ip sc-status\n2026-03-01 10:00:00 1.1.1.1 -\n"));
  EXPECT_EQ(stats.Errors, 1u);
  EXPECT_EQ(stats.OtherErrors, 1u);
}

TEST_F(IISReaderTest, AnInvalidDateEndsTheFileWithAnErrorNamingLineAndFile) {
  const std::string file = dir.Write(
      "bad.log",
      "#Fields: date time c-ip\n2026-03-01 10:00:00 1.1.1.1\n2026-13-01 10:00:00 1.1.1.2\n"
      "2026-03-01 11:00:00 1.1.1.3\n");
  EXPECT_EQ(ErrorOf(file), "Invalid date or time \"2026-13-01 10:00:00\" in line 3 of " + file);
  EXPECT_EQ(stats.Entries, 3u);  // the lines before it stay counted
  EXPECT_EQ(stats.Allowed, 1u);
  EXPECT_EQ(host.endCalls, 0);

  const std::string empty =
      dir.Write("empty-date.log", "#Fields: date time c-ip\n 10:00:00 1.1.1.1\n");
  EXPECT_EQ(ErrorOf(empty), "Invalid date or time \" 10:00:00\" in line 2 of " + empty);
  const std::string zeroDay = dir.Write("zero-day.log", "2026-03-00 10:00:00\n");
  EXPECT_EQ(ErrorOf(zeroDay),
            "Invalid date or time \"2026-03-00 10:00:00\" in line 1 of " + zeroDay);
}

TEST_F(IISReaderTest, AMissingFileIsReportedAndCountsNothing) {
  const std::string file = dir.Path("missing.log");
  EXPECT_EQ(Scan(file), 0);
  EXPECT_EQ(host.statuses, std::vector<std::string>{"File not found: " + file});
  EXPECT_EQ(host.initCalls, 0);
  EXPECT_EQ(stats.Entries, 0u);
  // A directory is no log file either.
  EXPECT_EQ(Scan(dir.Path("")), 0);
}

TEST_F(IISReaderTest, AnEmptyFileHasNoLines) {
  EXPECT_EQ(Scan(dir.Write("empty.log", "")), 0);
  EXPECT_EQ(host.progressMax, 0);
  EXPECT_EQ(host.endCalls, 1);
  EXPECT_EQ(stats.Entries, 0u);
}

TEST_F(IISReaderTest, AnUnreadableFileRaisesAnErrorWithTheReason) {
  const std::string file = dir.Write("locked.log", "2026-03-01 10:00:00 1.1.1.1\n");
  ASSERT_EQ(::chmod(file.c_str(), 0), 0);
  test::WithoutFileRightsOverride asUser;
  if (test::CanOpen(file, O_RDONLY)) GTEST_SKIP() << "this user reads any file";
  EXPECT_EQ(ErrorOf(file), "Cannot open " + file + ": Permission denied");
  EXPECT_EQ(stats.Entries, 0u);
}

TEST_F(IISReaderTest, AZeroFilledBlockEndsALineAndTheLinesAfterItAreRead) {
  // A server that crashed mid-line leaves zeros, then goes on writing.
  using namespace std::string_literals;
  const std::string file =
      dir.Write("nul.log", "2026-03-01 10:00:00 1.1.1.1\r\n2026-03-01 10:00:01 1.1.1.2" +
                               std::string(4096, '\0') + "2026-03-01 10:00:02 1.1.1.3\r\n"s +
                               "2026-03-01 10:00:03 1.1.1.4\r\n");
  EXPECT_EQ(Scan(file), 4);
  EXPECT_EQ(stats.Entries, 4u);
  EXPECT_EQ(stats.Allowed, 4u);
  EXPECT_EQ(stats.slUsers.Count(), 4);
}

TEST_F(IISReaderTest, BinaryGarbageWithoutContentCharactersIsCountedOnly) {
  std::string garbage;
  for (int i = 0; i < 5000; ++i) {
    const int c = (i * 37 + 11) % 160;
    garbage += static_cast<char>(c < 32 ? (c == 0 ? 1 : c) : 128 + (c - 32));
  }
  const std::string file = dir.Write("garbage.log", garbage);
  const int lines = Scan(file);
  EXPECT_GT(lines, 1);
  EXPECT_EQ(stats.Entries, static_cast<Counter>(lines));
  EXPECT_EQ(stats.Allowed, 0u);
  EXPECT_EQ(stats.Comments, 0u);
}

TEST_F(IISReaderTest, AMegabyteLineWithoutLineEndIsOneCutLine) {
  std::string line = "2026-03-01 10:00:00 1.1.1.1 - - - 2.2.2.2 GET /";
  line += std::string((1 << 20) - line.size(), 'p');
  EXPECT_EQ(Scan(dir.Write("long.log", line), true), 1);
  ASSERT_EQ(store.entries.size(), 1u);
  EXPECT_EQ(store.entries[0].page.size(), 255u - (line.find('/')));
}

TEST_F(IISReaderTest, CrOnlyAndMixedLineEndsSeparateEntries) {
  Scan(dir.Write("mixed.log",
                 "#Fields: date time c-ip\r2026-03-01 10:00:00 1.1.1.1\r\n2026-03-01 10:00:01 "
                 "1.1.1.2\n\r2026-03-01 10:00:02 1.1.1.3"));
  EXPECT_EQ(stats.Entries, 5u);
  EXPECT_EQ(stats.Comments, 1u);
  EXPECT_EQ(stats.slUsers.Count(), 3);
}

}  // namespace
}  // namespace kestrune
