#include "logfiles/unix_line.h"

#include <gtest/gtest.h>

#include "logfiles/line_error.h"

namespace kestrune {
namespace {

// Time stamps without year or month are completed from this day.
constexpr CalendarDay kToday{2026, 6, 15};

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  TDateTime date = 0, time = 0;
  EXPECT_TRUE(TryEncodeDate(y, mo, d, date));
  EXPECT_TRUE(TryEncodeTime(h, mi, s, 0, time));
  return date + time;
}

constexpr double kHour = 1.0 / 24;
constexpr double kTolerance = 1e-9;

TEST(UnixTimestampTest, ShiftsTheClockTimeByTheZonesWholeHours) {
  UnixTimestampConverter convert(kToday);
  EXPECT_NEAR(convert.Convert("10/Oct/2000:13:55:36 -0700"), At(2000, 10, 10, 20, 55, 36),
              kTolerance);
  EXPECT_NEAR(convert.Convert("10/Oct/2000:13:55:36 +0200"), At(2000, 10, 10, 11, 55, 36),
              kTolerance);
  EXPECT_NEAR(convert.Convert("10/Oct/2000:13:55:36 +0530"), At(2000, 10, 10, 8, 55, 36),
              kTolerance);
  EXPECT_NEAR(convert.Convert("10/Oct/2000:13:55:36 -0059"), At(2000, 10, 10, 13, 55, 36),
              kTolerance);
  // Past midnight into the next and the previous day.
  EXPECT_NEAR(convert.Convert("31/Dec/2000:22:00:00 -0500"), At(2001, 1, 1, 3), kTolerance);
  EXPECT_NEAR(convert.Convert("01/Jan/2001:01:00:00 +0300"), At(2000, 12, 31, 22), kTolerance);
  // No zone, or one that is no number: no shift.
  EXPECT_NEAR(convert.Convert("10/Oct/2000:13:55:36"), At(2000, 10, 10, 13, 55, 36), kTolerance);
  EXPECT_NEAR(convert.Convert("10/Oct/2000:13:55:36 GMT"), At(2000, 10, 10, 13, 55, 36),
              kTolerance);
}

TEST(UnixTimestampTest, AcceptsBothMonthListsInAnyCaseAndNumbers) {
  UnixTimestampConverter convert(kToday);
  for (const char* stamp : {"10/Oct/2000:00:00:00", "10/OCT/2000:00:00:00", "10/okt/2000:00:00:00",
                            "10/10/2000:00:00:00", "10/Okt/2000:00:00:00"})
    EXPECT_NEAR(convert.Convert(stamp), At(2000, 10, 10), kTolerance) << stamp;
  EXPECT_NEAR(convert.Convert("01/maj/2000:00:00:00"), At(2000, 5, 1), kTolerance);
  EXPECT_NEAR(convert.Convert("01/May/2000:00:00:00"), At(2000, 5, 1), kTolerance);
  EXPECT_NEAR(convert.Convert("1/5/2000:00:00:00"), At(2000, 5, 1), kTolerance);
  EXPECT_NEAR(convert.Convert("1/12/2000:00:00:00"), At(2000, 12, 1), kTolerance);
  // A month written out in full, or no month at all, is no date.
  EXPECT_EQ(convert.Convert("10/October/2000:00:00:00"), kInvalidUnixDate);
  EXPECT_EQ(convert.Convert("10/Foo/2000:00:00:00"), kInvalidUnixDate);
  EXPECT_EQ(convert.Convert("31/Feb/2000:00:00:00"), kInvalidUnixDate);
  EXPECT_EQ(convert.Convert(":00:00:00"), kInvalidUnixDate);
  EXPECT_EQ(convert.Convert(""), kInvalidUnixDate);
  EXPECT_NEAR(convert.Convert("10/October/2000:12:00:00"), kInvalidUnixDate + 0.5, kTolerance);
}

TEST(UnixTimestampTest, CompletesShortYearsAndMissingParts) {
  UnixTimestampConverter convert(kToday);
  EXPECT_NEAR(convert.Convert("10/Oct/99:00:00:00"), At(1999, 10, 10), kTolerance);
  EXPECT_NEAR(convert.Convert("10/Oct/00:00:00:00"), At(2000, 10, 10), kTolerance);
  EXPECT_NEAR(convert.Convert("10/Oct/31:00:00:00"), At(2031, 10, 10), kTolerance);
  EXPECT_NEAR(convert.Convert("10/Oct/32:00:00:00"), At(1932, 10, 10), kTolerance);
  EXPECT_NEAR(convert.Convert("10/Oct/5:00:00:00"), At(2026, 10, 10), kTolerance);  // one digit
  EXPECT_NEAR(convert.Convert("10/Oct:00:00:00"), At(2026, 10, 10), kTolerance);
  EXPECT_NEAR(convert.Convert("3:00:00:00"), At(2026, 6, 3), kTolerance);
  EXPECT_NEAR(convert.Convert("03"), At(2026, 6, 3), kTolerance);  // no time: midnight
}

TEST(UnixTimestampTest, InvalidTimesAndZonesRaiseErrors) {
  UnixTimestampConverter convert(kToday);
  auto message = [&](const char* stamp) -> std::string {
    try {
      convert.Convert(stamp);
    } catch (const LineError& error) {
      return error.what();
    }
    return "no error";
  };
  EXPECT_EQ(message("10/Oct/2000:24:00:00 -0700"), "Invalid time \"10/Oct/2000:24:00:00 -0700\"");
  EXPECT_EQ(message("10/Oct/2000:23:60:00"), "Invalid time \"10/Oct/2000:23:60:00\"");
  EXPECT_EQ(message("10/Oct/2000:23:00:60"), "Invalid time \"10/Oct/2000:23:00:60\"");
  EXPECT_EQ(message("10/Oct/2000:-1:00:00"), "Invalid time \"10/Oct/2000:-1:00:00\"");
  EXPECT_EQ(message("10/Oct/2000:12:00:00 +2400"),
            "Invalid time zone \"10/Oct/2000:12:00:00 +2400\"");
  EXPECT_EQ(message("10/Oct/2000:12:00:00 -2400"),
            "Invalid time zone \"10/Oct/2000:12:00:00 -2400\"");
  EXPECT_EQ(message("10/Oct/2000:12:00:00 +2399"), "no error");
  // A zone with no 32-bit form reads as 0, not as its low bits.
  EXPECT_EQ(message("10/Oct/2000:12:00:00 -4294967295"), "no error");
  EXPECT_EQ(message("10/Oct/2000:4294967308:00:00"), "no error");
  // An invalid date with a valid time does not raise.
  EXPECT_EQ(message("99/Oct/2000:12:00:00"), "no error");
}

class UnixLineTest : public ::testing::Test {
 protected:
  LineKind Parse(const std::string& line) { return parser.Parse(line, entry); }
  UnixLineParser parser{"192.168.0.5", kToday};
  LogEntry entry;
};

TEST_F(UnixLineTest, ReadsACommonFormatLineInUpperCase) {
  ASSERT_EQ(Parse("host.example.com - frank [10/Oct/2000:13:55:36 -0700] \"get "
                  "/apache_pb.gif HTTP/1.0\" 200 2326"),
            LineKind::kEntry);
  EXPECT_EQ(entry.Visitor, "HOST.EXAMPLE.COM");
  EXPECT_NEAR(entry.DateTime, At(2000, 10, 10, 20, 55, 36), kTolerance);
  EXPECT_EQ(entry.Date, "2000-10-10");
  EXPECT_EQ(entry.Method, "GET");
  EXPECT_EQ(entry.Page, "/APACHE_PB.GIF");
  EXPECT_EQ(entry.Extension, "GIF");
  EXPECT_EQ(entry.HTTPVersion, "HTTP/1.0");
  EXPECT_EQ(entry.Statuscode, 200u);
  EXPECT_EQ(entry.Bytes, 2326u);
  EXPECT_EQ(entry.TimeTaken, 0u);
  EXPECT_EQ(entry.SiteIP, "192.168.0.5");
  EXPECT_EQ(entry.Referrer, "");
  EXPECT_EQ(entry.UserAgent, "");
  EXPECT_EQ(entry.Port, 0u);
}

TEST_F(UnixLineTest, ALongSiteAddressIsCutAndEarlyDatesShiftLikeAnyOther) {
  UnixLineParser longSite(std::string(300, '9'), kToday);
  ASSERT_EQ(longSite.Parse("h - - [30/Dec/1899:02:00:00 +0300] \"GET / HTTP/1.0\" 200 1", entry),
            LineKind::kEntry);
  EXPECT_EQ(entry.SiteIP, std::string(255, '9'));
  EXPECT_EQ(entry.Date, "1899-12-29");  // three hours back across midnight
  EXPECT_EQ(FormatHhNnSs(entry.DateTime), "23:00:00");
}

TEST_F(UnixLineTest, TheDateFollowsAShiftPastMidnight) {
  ASSERT_EQ(Parse("h - - [10/Oct/2000:20:00:00 -0700] \"GET / HTTP/1.1\" 200 1"), LineKind::kEntry);
  EXPECT_EQ(entry.Date, "2000-10-11");
  ASSERT_EQ(Parse("h - - [10/Oct/2000:20:00:00 +0200] \"GET / HTTP/1.1\" 200 1"), LineKind::kEntry);
  EXPECT_EQ(entry.Date, "2000-10-10");
  ASSERT_EQ(Parse("h - - [10/Oct/2000:01:00:00 +0200] \"GET / HTTP/1.1\" 200 1"), LineKind::kEntry);
  EXPECT_EQ(entry.Date, "2000-10-09");
  ASSERT_EQ(Parse("h - - [10/October/2000:01:00:00] \"GET / HTTP/1.1\" 200 1"), LineKind::kEntry);
  EXPECT_EQ(entry.DateTime, kInvalidUnixDate + 1.0 / 24);
  EXPECT_EQ(entry.Date, "3798-12-30");
}

TEST_F(UnixLineTest, ByteCountDashAndTrailingReferrerAndAgentGiveZero) {
  ASSERT_EQ(Parse("1.2.3.4 - - [10/Oct/2000:13:55:36 +0000] \"GET /x.html HTTP/1.1\" 304 - 15"),
            LineKind::kEntry);
  EXPECT_EQ(entry.Bytes, 0u);
  EXPECT_EQ(entry.TimeTaken, 15u);
  ASSERT_EQ(Parse("1.2.3.4 - - [10/Oct/2000:13:55:36 +0000] \"GET /x.html HTTP/1.1\" 200 512 "
                  "\"http://ref.example/\" \"Mozilla/5.0 (X11)\""),
            LineKind::kEntry);
  EXPECT_EQ(entry.Bytes, 512u);
  EXPECT_EQ(entry.TimeTaken, 0u);
  EXPECT_EQ(entry.Referrer, "");
  EXPECT_EQ(entry.UserAgent, "");
}

TEST_F(UnixLineTest, ParentAndCurrentDirectoryStepsAreRemoved) {
  ASSERT_EQ(Parse("h - - [10/Oct/2000:13:55:36] \"GET /a/../b/page.htm HTTP/1.0\" 200 1"),
            LineKind::kEntry);
  EXPECT_EQ(entry.Page, "/A//B/PAGE.HTM");
  EXPECT_EQ(entry.Extension, "HTM");
  ASSERT_EQ(Parse("h - - [10/Oct/2000:13:55:36] \"GET /./c/./d.txt HTTP/1.0\" 200 1"),
            LineKind::kEntry);
  EXPECT_EQ(entry.Page, "/C/D.TXT");
  ASSERT_EQ(Parse("h - - [10/Oct/2000:13:55:36] \"GET /..../x.../ HTTP/1.0\" 200 1"),
            LineKind::kEntry);
  EXPECT_EQ(entry.Page, "//X");  // ".." goes first ("/..../X.../" -> "//X./"), then "./"
}

TEST_F(UnixLineTest, CommentsAndBlankLinesProduceNoEntry) {
  EXPECT_EQ(Parse("#"), LineKind::kComment);
  EXPECT_EQ(Parse("# a comment"), LineKind::kComment);
  EXPECT_EQ(Parse("   "), LineKind::kComment);
  EXPECT_EQ(Parse(""), LineKind::kComment);
  EXPECT_EQ(Parse("  # after blanks"), LineKind::kComment);
  EXPECT_EQ(Parse("\"\" [] <>"), LineKind::kComment);
}

TEST_F(UnixLineTest, LinesOutOfFormatStillYieldAnEntry) {
  ASSERT_EQ(Parse("justonehost"), LineKind::kEntry);
  EXPECT_EQ(entry.Visitor, "JUSTONEHOST");
  EXPECT_EQ(entry.DateTime, kInvalidUnixDate);
  EXPECT_EQ(entry.Page, "");
  EXPECT_EQ(entry.Statuscode, 0u);
}

TEST_F(UnixLineTest, TheLineIsCutTo255CharactersFirst) {
  const std::string prefix = "h - - [10/Oct/2000:13:55:36] \"GET /";
  const std::string line = prefix + std::string(300, 'p') + " HTTP/1.0\" 200 1";
  ASSERT_EQ(Parse(line), LineKind::kEntry);
  EXPECT_EQ(entry.Page.size(), 255u - prefix.size() + 1);
  EXPECT_EQ(entry.HTTPVersion, "");
  EXPECT_EQ(entry.Statuscode, 0u);
}

}  // namespace
}  // namespace kestrune
