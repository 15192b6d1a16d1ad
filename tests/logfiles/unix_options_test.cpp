// The UNIX reader's two options on single lines: the combined format's quoted referrer
// and user agent, and the letter case kept as logged. With both off a line reads as the
// common format always did.
#include <gtest/gtest.h>

#include "logfiles/line_error.h"
#include "logfiles/unix_line.h"
#include "util/text.h"

namespace kestrune {
namespace {

constexpr CalendarDay kToday{2026, 6, 15};
constexpr UnixReadOptions kPlain{};
constexpr UnixReadOptions kCombined{.combined = true, .keepCase = false};
constexpr UnixReadOptions kKeepCase{.combined = false, .keepCase = true};
constexpr UnixReadOptions kBoth{.combined = true, .keepCase = true};

const std::string kNginxLine =
    "Host.Example - - [10/oct/2026:13:55:36 +0200] \"get /Products/Kettle.Html?ref=News "
    "HTTP/1.1\" 200 2326 \"https://Search.example/?q=Kettle\" \"Mozilla/5.0 (X11; Linux)\"";

struct Fields {
  std::string visitor, method, page, extension, version, referrer, agent;
  std::uint32_t status, bytes, timeTaken;
};

Fields Parse(const UnixReadOptions& options, const std::string& line) {
  UnixLineParser parser("10.0.0.1", options, kToday);
  LogEntry entry;
  EXPECT_EQ(parser.Parse(line, entry), LineKind::kEntry) << line;
  return {entry.Visitor,  entry.Method,    entry.Page,       entry.Extension, entry.HTTPVersion,
          entry.Referrer, entry.UserAgent, entry.Statuscode, entry.Bytes,     entry.TimeTaken};
}

void ExpectFields(const Fields& got, const Fields& want, const std::string& what) {
  EXPECT_EQ(got.visitor, want.visitor) << what;
  EXPECT_EQ(got.method, want.method) << what;
  EXPECT_EQ(got.page, want.page) << what;
  EXPECT_EQ(got.extension, want.extension) << what;
  EXPECT_EQ(got.version, want.version) << what;
  EXPECT_EQ(got.referrer, want.referrer) << what;
  EXPECT_EQ(got.agent, want.agent) << what;
  EXPECT_EQ(got.status, want.status) << what;
  EXPECT_EQ(got.bytes, want.bytes) << what;
  EXPECT_EQ(got.timeTaken, want.timeTaken) << what;
}

TEST(UnixOptionsTest, EachOptionChangesOnlyItsOwnFields) {
  const struct {
    const char* name;
    UnixReadOptions options;
    Fields want;
  } cases[] = {
      {"plain",
       kPlain,
       {"HOST.EXAMPLE", "GET", "/PRODUCTS/KETTLE.HTML?REF=NEWS", "HTML?REF=NEWS", "HTTP/1.1", "",
        "", 200, 2326, 0}},
      {"combined",
       kCombined,
       {"HOST.EXAMPLE", "GET", "/PRODUCTS/KETTLE.HTML?REF=NEWS", "HTML?REF=NEWS", "HTTP/1.1",
        "HTTPS://SEARCH.EXAMPLE/?Q=KETTLE", "MOZILLA/5.0 (X11; LINUX)", 200, 2326, 0}},
      {"keepCase",
       kKeepCase,
       {"Host.Example", "GET", "/Products/Kettle.Html?ref=News", "HTML?REF=NEWS", "HTTP/1.1", "",
        "", 200, 2326, 0}},
      {"both",
       kBoth,
       {"Host.Example", "GET", "/Products/Kettle.Html?ref=News", "HTML?REF=NEWS", "HTTP/1.1",
        "https://Search.example/?q=Kettle", "Mozilla/5.0 (X11; Linux)", 200, 2326, 0}},
  };
  for (const auto& c : cases) ExpectFields(Parse(c.options, kNginxLine), c.want, c.name);
}

TEST(UnixOptionsTest, CombinedTakesWhatStandsWhereTheQuotesAre) {
  const std::string head = "h - - [10/Oct/2026:13:55:36 +0000] \"GET / HTTP/1.1\" 200 5";
  const struct {
    const char* name;
    std::string tail;
    std::string referrer, agent;
    std::uint32_t timeTaken;
  } cases[] = {
      {"dashReferrer", " \"-\" \"curl/8.0\"", "", "CURL/8.0", 0},
      {"dashAgent", " \"HTTP://A/\" \"-\"", "HTTP://A/", "-", 0},
      {"emptyQuotes", " \"\" \"\"", "", "", 0},
      {"commonFormat", "", "", "", 0},
      {"timeTakenFirst", " 17 \"HTTP://A/\" \"UA\"", "HTTP://A/", "UA", 17},
      {"noAgent", " \"HTTP://A/\"", "HTTP://A/", "", 0},
      {"unclosedReferrer", " \"HTTP://A/ B", "HTTP://A/ B", "", 0},
      {"unclosedAgent", " \"R\" \"MOZILLA (X", "R", "MOZILLA (X", 0},
      {"loneQuote", " \"", "", "", 0},
      {"escapedQuote", " \"R\" \"SAYS \\\"HI\\\" X\"", "R", "SAYS \\\"HI\\\" X", 0},
      {"backslashAtTheEnd", " \"R\\", "R\\", "", 0},
      {"extraFields", " \"R\" \"UA\" \"MORE\" 12", "R", "UA", 0},
      {"quotesTouching", " \"R\"\"UA\"", "R", "UA", 0},
  };
  for (const auto& c : cases) {
    const Fields got = Parse(kCombined, head + c.tail);
    EXPECT_EQ(got.referrer, c.referrer) << c.name;
    EXPECT_EQ(got.agent, c.agent) << c.name;
    EXPECT_EQ(got.timeTaken, c.timeTaken) << c.name;
    EXPECT_EQ(got.bytes, 5u) << c.name;
    // Without the option the same line gives neither, and the time taken as always.
    const Fields plain = Parse(kPlain, head + c.tail);
    EXPECT_EQ(plain.referrer, "") << c.name;
    EXPECT_EQ(plain.agent, "") << c.name;
    EXPECT_EQ(plain.timeTaken, got.timeTaken) << c.name;
  }
  // A line cut at 255 characters inside the user agent keeps the agent up to the cut.
  const std::string longAgent(300, 'a');
  const Fields cut = Parse(kBoth, head + " \"r\" \"" + longAgent + "\"");
  EXPECT_EQ(cut.agent, std::string(255 - head.size() - 6, 'a'));
}

TEST(UnixOptionsTest, KeptCaseLinesReadTheirDatesAndSplitsAsUpperCasedOnes) {
  // Month names in any letter case, the method upper-cased, lines that are comments.
  const char* lines[] = {
      "h - - [10/oct/2026:13:55:36 -0700] \"get /a.Gif HTTP/1.0\" 200 1",
      "h - - [10/Okt/2026:13:55:36 -0700] \"Post /x/../b HTTP/1.1\" 404 -",
      "h - - [10/OcT/26:13:55:36 +0100] \"head /./c.TXT http/1.1\" 301 7 9",
      "h - - [10/10/2026:00:00:00] \"OPTIONS * HTTP/1.1\" 200 0",
      "h - - [10/October/2026:00:00:00] \"GET / HTTP/1.1\" 200 0",
  };
  for (const char* line : lines) {
    UnixLineParser upper("10.0.0.1", kToday), kept("10.0.0.1", kKeepCase, kToday);
    LogEntry a, b;
    ASSERT_EQ(upper.Parse(line, a), LineKind::kEntry) << line;
    ASSERT_EQ(kept.Parse(line, b), LineKind::kEntry) << line;
    EXPECT_EQ(a.DateTime, b.DateTime) << line;
    EXPECT_EQ(a.Date, b.Date) << line;
    EXPECT_EQ(a.Method, b.Method) << line;
    EXPECT_EQ(a.Extension, b.Extension) << line;
    EXPECT_EQ(a.Page, UpperCase(b.Page)) << line;
    EXPECT_EQ(a.HTTPVersion, UpperCase(b.HTTPVersion)) << line;
    EXPECT_EQ(a.Statuscode, b.Statuscode) << line;
    EXPECT_EQ(a.Bytes, b.Bytes) << line;
    EXPECT_EQ(a.TimeTaken, b.TimeTaken) << line;
  }
  UnixLineParser kept("10.0.0.1", kKeepCase, kToday);
  LogEntry entry;
  EXPECT_EQ(kept.Parse("#Version: 1", entry), LineKind::kComment);
  EXPECT_EQ(kept.Parse("   ", entry), LineKind::kComment);
  EXPECT_THROW(kept.Parse("h - - [10/oct/2026:25:00:00] \"GET / HTTP/1.1\" 200 1", entry),
               LineError);
}

}  // namespace
}  // namespace kestrune
