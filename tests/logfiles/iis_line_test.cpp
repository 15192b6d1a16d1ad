#include "logfiles/iis_line.h"

#include <gtest/gtest.h>

#include "logfiles/line_error.h"
#include "util/datetime.h"

namespace kestrune {
namespace {

// A line in the default column order: date time c-ip cs-username s-sitename
// s-computername s-ip cs-method cs-uri-stem sc-status sc-win32-status sc-bytes cs-bytes
// time-taken s-port cs-version cs(User-Agent) cs(Cookie) cs(Referer).
constexpr const char* kDefaultLine =
    "2026-03-01 10:20:30 10.0.0.1 - W3SVC1 WEB1 192.168.0.5 GET /shop/Index.HTML 200 0 5120 "
    "310 47 80 HTTP/1.1 Mozilla/5.0+(X11;+Linux) - http://example.org/start";

TDateTime At(int y, int mo, int d, int h, int mi, int s) {
  TDateTime date = 0, time = 0;
  EXPECT_TRUE(TryEncodeDate(y, mo, d, date));
  EXPECT_TRUE(TryEncodeTime(h, mi, s, 0, time));
  return date + time;
}

class IISLineTest : public ::testing::Test {
 protected:
  void SetUp() override { parser.StartFile(); }
  LineKind Parse(const std::string& line) { return parser.Parse(line, entry); }
  IISLineParser parser;
  LogEntry entry;
};

TEST_F(IISLineTest, ReadsEveryKnownColumnAtItsDefaultPosition) {
  ASSERT_EQ(Parse(kDefaultLine), LineKind::kEntry);
  EXPECT_EQ(entry.Date, "2026-03-01");
  EXPECT_DOUBLE_EQ(entry.DateTime, At(2026, 3, 1, 10, 20, 30));
  EXPECT_EQ(entry.Visitor, "10.0.0.1");
  EXPECT_EQ(entry.SiteIP, "192.168.0.5");
  EXPECT_EQ(entry.Method, "GET");
  EXPECT_EQ(entry.Page, "/shop/Index.HTML");
  EXPECT_EQ(entry.Extension, "HTML");  // letter case as logged
  EXPECT_EQ(entry.Statuscode, 200u);
  EXPECT_EQ(entry.Bytes, 5120u);
  EXPECT_EQ(entry.TimeTaken, 47u);
  EXPECT_EQ(entry.Port, 80u);
  EXPECT_EQ(entry.HTTPVersion, "HTTP/1.1");
  EXPECT_EQ(entry.UserAgent, "Mozilla/5.0+(X11;+Linux)");
  EXPECT_EQ(entry.Referrer, "http://example.org/start");
}

TEST_F(IISLineTest, AFieldsLineInAnyCaseMovesOnlyTheColumnsItNames) {
  EXPECT_EQ(Parse("#fields: time c-ip cs-uri-stem"), LineKind::kComment);
  EXPECT_EQ(parser.Columns().Position(kColTime), 0);
  EXPECT_EQ(parser.Columns().Position(kColClientIP), 1);
  EXPECT_EQ(parser.Columns().Position(kColUriStem), 2);
  EXPECT_EQ(parser.Columns().Position(kColDate), 0);  // default kept
  EXPECT_EQ(parser.Columns().Position(kColReferer), 18);

  // DATE and TIME now share position 0; the status stays at 9.
  EXPECT_THROW(Parse("10:00:00 1.2.3.4 /a.gif x x x x x x 404"), LineError);
  ASSERT_EQ(Parse("2026-01-02 1.2.3.4 /a.gif x x x x x x 404"), LineKind::kEntry);
  EXPECT_EQ(entry.Visitor, "1.2.3.4");
  EXPECT_EQ(entry.Page, "/a.gif");
  EXPECT_EQ(entry.Statuscode, 404u);
}

TEST_F(IISLineTest, UnknownNamesTakeAPositionAndEarlierFieldsLinesStayInForce) {
  Parse("#Fields: date time x-custom c-ip s-ip cs-method cs-uri-stem sc-status");
  ASSERT_EQ(Parse("2026-01-02 03:04:05 zz 1.1.1.1 2.2.2.2 POST /form.asp 302"), LineKind::kEntry);
  EXPECT_EQ(entry.Visitor, "1.1.1.1");
  EXPECT_EQ(entry.SiteIP, "2.2.2.2");
  EXPECT_EQ(entry.Method, "POST");
  EXPECT_EQ(entry.Page, "/form.asp");
  EXPECT_EQ(entry.Statuscode, 302u);

  // A second fields line moves only the referrer; the columns above keep their places.
  Parse("#FIELDS: a b c d e f g h cs(referer)");
  EXPECT_EQ(parser.Columns().Position(kColReferer), 8);
  EXPECT_EQ(parser.Columns().Position(kColClientIP), 3);

  parser.StartFile();
  EXPECT_EQ(parser.Columns().Position(kColClientIP), 2);
}

TEST_F(IISLineTest, OnlyAFieldsWordDirectlyAfterTheHashIsAFieldsLine) {
  Parse("# Fields: c-ip");
  Parse("#Fields:c-ip");
  Parse("#Software: Fields: c-ip");
  EXPECT_EQ(parser.Columns().Position(kColClientIP), 2);
  Parse("#Fields:   c-ip  date  ");  // trimmed, then two blanks make an empty name
  EXPECT_EQ(parser.Columns().Position(kColClientIP), 0);
  EXPECT_EQ(parser.Columns().Position(kColDate), 2);
}

TEST_F(IISLineTest, TwoBlanksMakeAnEmptyColumnAndShiftTheRest) {
  Parse("#Fields: date time c-ip cs-uri-stem sc-status");
  ASSERT_EQ(Parse("2026-01-02 03:04:05  1.1.1.1 /p.html 200"), LineKind::kEntry);
  EXPECT_EQ(entry.Visitor, "");
  EXPECT_EQ(entry.Page, "1.1.1.1");
  EXPECT_EQ(entry.Statuscode, 0u);  // "/p.html" is no number
  EXPECT_EQ(entry.Extension, "1");
}

TEST_F(IISLineTest, MissingAndMalformedColumnsAreEmptyOrZero) {
  ASSERT_EQ(Parse("2026-01-02 03:04:05 1.1.1.1"), LineKind::kEntry);
  EXPECT_EQ(entry.Page, "");
  EXPECT_EQ(entry.Statuscode, 0u);
  EXPECT_EQ(entry.Referrer, "");
  ASSERT_EQ(Parse("2026-01-02 03:04:05 a b c d e f /x - 0 12kb"), LineKind::kEntry);
  EXPECT_EQ(entry.Statuscode, 0u);
  EXPECT_EQ(entry.Bytes, 0u);
  // The previous line's fields do not linger.
  ASSERT_EQ(Parse(kDefaultLine), LineKind::kEntry);
  ASSERT_EQ(Parse("2026-01-02 03:04:05"), LineKind::kEntry);
  EXPECT_EQ(entry.UserAgent, "");
  EXPECT_EQ(entry.Port, 0u);
  EXPECT_EQ(entry.Visitor, "");
}

TEST_F(IISLineTest, NumbersBeyond32BitsReadAsZeroNotAsTheirLowBits) {
  Parse("#Fields: date time sc-bytes time-taken s-port");
  ASSERT_EQ(Parse("2026-01-02 4294967308:00:00 5000000000 4294967295 -1"), LineKind::kEntry);
  EXPECT_EQ(entry.Bytes, 0u);
  EXPECT_EQ(entry.TimeTaken, 4294967295u);
  EXPECT_EQ(entry.Port, 4294967295u);
  EXPECT_DOUBLE_EQ(entry.DateTime, At(2026, 1, 2, 0, 0, 0));
}

TEST_F(IISLineTest, ControlCharactersGoAfterTheCutAndBlankLinesAreSkipped) {
  ASSERT_EQ(Parse("2026-01-02\t 03:04:05 1.1.1.1\x01"), LineKind::kEntry);
  EXPECT_EQ(entry.Date, "2026-01-02");
  EXPECT_EQ(entry.Visitor, "1.1.1.1");
  EXPECT_EQ(Parse("\t#Fields: c-ip"), LineKind::kComment);  // the tab goes first
  EXPECT_EQ(parser.Columns().Position(kColClientIP), 0);
  EXPECT_EQ(Parse(""), LineKind::kBlank);
  EXPECT_EQ(Parse("      "), LineKind::kBlank);
  EXPECT_EQ(Parse("\t\t"), LineKind::kBlank);
  EXPECT_EQ(Parse("\"$%&/()=*,;:<>|\x80\xfe"), LineKind::kBlank);
  EXPECT_EQ(Parse("#"), LineKind::kComment);
}

TEST_F(IISLineTest, TheLineIsCutTo255CharactersBeforeItIsSplit) {
  const std::string agent(230, 'A');
  const std::string line =
      "2026-01-02 03:04:05 1.1.1.1 - - - 2.2.2.2 GET / 200 0 1 2 3 80 HTTP/1.0 " + agent +
      " - http://ref/";
  ASSERT_GT(line.size(), 255u);
  ASSERT_EQ(Parse(line), LineKind::kEntry);
  EXPECT_EQ(entry.Referrer, "");
  const std::size_t before = line.find(agent);
  EXPECT_EQ(entry.UserAgent, agent.substr(0, 255 - before));
  // Control characters beyond the cut cannot pull later text in.
  EXPECT_EQ(Parse(std::string(255, '\t') + "2026-01-02 03:04:05"), LineKind::kBlank);
}

TEST_F(IISLineTest, InvalidDatesAndTimesRaiseErrorsNamingTheText) {
  auto message = [this](const std::string& line) -> std::string {
    try {
      Parse(line);
    } catch (const LineError& error) {
      return error.what();
    }
    return "no error";
  };
  EXPECT_EQ(message("2026-13-01 10:00:00 1.1.1.1"), "Invalid date or time \"2026-13-01 10:00:00\"");
  EXPECT_EQ(message("2026-00-01 10:00:00"), "Invalid date or time \"2026-00-01 10:00:00\"");
  EXPECT_EQ(message("2026-02-29 10:00:00"), "Invalid date or time \"2026-02-29 10:00:00\"");
  EXPECT_EQ(message("2026-02-00 10:00:00"), "Invalid date or time \"2026-02-00 10:00:00\"");
  EXPECT_EQ(message("2026-02-01 24:00:00"), "Invalid date or time \"2026-02-01 24:00:00\"");
  EXPECT_EQ(message("2026-02-01 23:60:00"), "Invalid date or time \"2026-02-01 23:60:00\"");
  EXPECT_EQ(message("2026-02-01 -1:00:00"), "Invalid date or time \"2026-02-01 -1:00:00\"");
  EXPECT_EQ(message(" 10:00:00 1.1.1.1"), "Invalid date or time \" 10:00:00\"");
  // A valid date after an invalid one is not taken from a stale cache, and vice versa.
  EXPECT_EQ(message("2024-02-29 10:00:00"), "no error");
  EXPECT_EQ(message("2024-02-30 10:00:00"), "Invalid date or time \"2024-02-30 10:00:00\"");
  EXPECT_EQ(message("2024-02-29 10:00:00"), "no error");
}

TEST_F(IISLineTest, DateAndTimePartsAreReadAsNumbers) {
  ASSERT_EQ(Parse("2026-3-1 7:5"), LineKind::kEntry);  // missing seconds are 0
  EXPECT_DOUBLE_EQ(entry.DateTime, At(2026, 3, 1, 7, 5, 0));
  ASSERT_EQ(Parse("2026-03-01"), LineKind::kEntry);  // no time column: midnight
  EXPECT_DOUBLE_EQ(entry.DateTime, At(2026, 3, 1, 0, 0, 0));
  ASSERT_EQ(Parse("2026-03-01 10:00:00.250"), LineKind::kEntry);  // "00.250" is no number
  EXPECT_DOUBLE_EQ(entry.DateTime, At(2026, 3, 1, 10, 0, 0));
}

}  // namespace
}  // namespace kestrune
