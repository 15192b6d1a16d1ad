#include <filesystem>
#include <string>

#include "report_fixture.h"
#include "reports/report_writers.h"
#include "reports/template_text.h"
#include "util/error.h"

namespace kestrune::test {
namespace {

class HtmlReportTest : public ReportTest {
 protected:
  // Fills `templateText` for the current model and settings and returns the report.
  std::string Fill(const std::string& templateText) {
    WriteFile(Path("t.html"), templateText);
    SaveReportAsHTML(Path("t.html").string(), Path("out.html").string(), Input());
    return ReadFile(Path("out.html"));
  }
  // The message of the error that saving raises, or "" when none is raised.
  std::string ErrorOf(const std::string& templatePath, const std::string& reportPath) {
    try {
      SaveReportAsHTML(templatePath, reportPath, Input());
    } catch (const Error& e) {
      return e.what();
    }
    return "";
  }
};

TEST_F(HtmlReportTest, MatchesGoldenWithEveryPlaceholder) {
  FillSampleStats(stats_);
  settings_ = {"C:&D <\"x\"> '%Path%'", false, true, false};
  const std::string templatePath =
      std::string(KESTRUNE_SOURCE_DIR) + "/tests/reports/data/placeholders.html";
  std::string today;
  const std::string written =
      WrittenOnOneDay([&] { SaveReportAsHTML(templatePath, Path("r.html").string(), Input()); },
                      [&] { return ReadFile(Path("r.html")); }, today);
  EXPECT_EQ(written, Golden("sample.html", today));
}

TEST_F(HtmlReportTest, TemplateWithoutPlaceholdersKeepsItsTextWithCrLfLines) {
  EXPECT_EQ(Fill("a\r\nb\rc\nd"), "a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(Fill("\n\n\r\r\n"), "\r\n\r\n\r\n\r\n");
  EXPECT_EQ(Fill("x\r"), "x\r\n");
  EXPECT_EQ(Fill("100% sure, %Foo% and %AddedToDatabase% stay; % alone too"),
            "100% sure, %Foo% and %AddedToDatabase% stay; % alone too\r\n");
  EXPECT_EQ(Fill(""), "");
  EXPECT_TRUE(std::filesystem::exists(Path("out.html")));
}

TEST_F(HtmlReportTest, NulEndsTheTemplate) {
  EXPECT_EQ(Fill(std::string("abc\n\0%Entries%\n", 15)), "abc\r\n");
}

TEST_F(HtmlReportTest, ExactCaseEverywhereOtherCaseOnlyInTheFirst255Characters) {
  const std::string today = Today();
  const std::string filler(300, '.');
  EXPECT_EQ(Fill("%date% %DATE%\n" + filler + "%Date% %date%"),
            today + " " + today + "\r\n" + filler + today + " %date%\r\n");
  // Wholly inside the window, and reaching one character past it.
  EXPECT_EQ(Fill(std::string(249, '-') + "%date%"), std::string(249, '-') + today + "\r\n");
  EXPECT_EQ(Fill(std::string(250, '-') + "%date%"), std::string(250, '-') + "%date%\r\n");
  // The window is measured on the document as the exact replacements left it: the
  // 11-character date pushes %date% out, the 1-character count pulls %entries% in.
  if (today.size() == 11) {
    EXPECT_EQ(Fill("%Date%" + std::string(240, '-') + "%date%"),
              today + std::string(240, '-') + "%date%\r\n");
  }
  EXPECT_EQ(Fill("%Entries%" + std::string(241, '-') + "%entries%"),
            "0" + std::string(241, '-') + "0\r\n");
  // Lone CRs count as line ends before the window is measured.
  std::string crLf;
  for (int i = 0; i < 248; ++i) crLf += "\r\n";
  EXPECT_EQ(Fill(std::string(248, '\r') + "%users%"), crLf + "%users%\r\n");
}

TEST_F(HtmlReportTest, ValueHoldingItsOwnPlaceholderIsInsertedOnce) {
  settings_.path = "/a/%Path%/%path%";
  EXPECT_EQ(Fill("%Path% %path% %PATH%"), "/a/%Path%/%path% /a/%Path%/%path% /a/%Path%/%path%\r\n");
  // A later placeholder inside an earlier value is replaced like any other text.
  settings_ = {"%FileFormat%", true, false, false};
  EXPECT_EQ(Fill("%Path%"), "IIS\r\n");
}

TEST_F(HtmlReportTest, EveryValueIsEscaped) {
  settings_.path = "<script>alert('x')</script>&\"";
  stats_.slFiles.ObjectOrCreate(stats_.slFiles.Add("<b>")).LineCount = -1;
  EXPECT_EQ(Fill("%Path%|%Files%"),
            "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;&amp;&quot;|"
            "<TR VALIGN=TOP><TD>&lt;b&gt;</TD><TD>-1</TD></TR>\r\n\r\n");
}

TEST_F(HtmlReportTest, EmptyListsGiveEmptyTablesAndZeroCounts) {
  EXPECT_EQ(Fill("<TABLE>%Files%</TABLE>%FileCount% %PageCount% <TABLE>%Pages%</TABLE>"),
            "<TABLE></TABLE>0 0 <TABLE></TABLE>\r\n");
}

TEST_F(HtmlReportTest, MissingTemplateRaisesAndLeavesTheReportAlone) {
  const std::string missing = Path("no-template.html").string();
  EXPECT_EQ(ErrorOf(missing, Path("new.html").string()), "Cannot open file " + missing);
  EXPECT_FALSE(std::filesystem::exists(Path("new.html")));
  WriteFile(Path("old.html"), "keep me");
  EXPECT_EQ(ErrorOf(missing, Path("old.html").string()), "Cannot open file " + missing);
  EXPECT_EQ(ReadFile(Path("old.html")), "keep me");
  // A directory cannot be read as a template.
  EXPECT_EQ(ErrorOf(dir_.string(), Path("old.html").string()), "Cannot open file " + dir_.string());
  EXPECT_EQ(ReadFile(Path("old.html")), "keep me");
}

TEST_F(HtmlReportTest, UnwritableReportRaises) {
  WriteFile(Path("t.html"), "%Date%");
  const std::string target = Path("missing/r.html").string();
  EXPECT_EQ(ErrorOf(Path("t.html").string(), target), "Cannot create file " + target);
  EXPECT_FALSE(std::filesystem::exists(Path("missing")));
  if (std::filesystem::exists("/dev/full")) {
    EXPECT_EQ(ErrorOf(Path("t.html").string(), "/dev/full"), "Cannot write file /dev/full");
  }
}

TEST_F(HtmlReportTest, LargeTemplateIsFilledWhole) {
  std::string big;
  const std::string line = "<P>%Date% %Entries% %Pages% %nothing% %entries%</P>\n";
  while (big.size() < 10 * 1024 * 1024) big += line;
  const std::size_t lines = big.size() / line.size();
  const std::string today = Today();
  const std::string filled = Fill(big);
  const std::string expected = "<P>" + today + " 0  %nothing% 0</P>\r\n";
  std::string expectedHead;
  for (int i = 0; i < 3; ++i) expectedHead += expected;
  EXPECT_EQ(filled.substr(0, expectedHead.size()), expectedHead);
  // Past the window the other-case name stays.
  const std::string tailLine = "<P>" + today + " 0  %nothing% %entries%</P>\r\n";
  EXPECT_EQ(filled.substr(filled.size() - tailLine.size()), tailLine);
  std::size_t count = 0;
  for (std::size_t at = filled.find("\r\n"); at != std::string::npos;
       at = filled.find("\r\n", at + 2))
    ++count;
  EXPECT_EQ(count, lines);
}

// The shipped template: every placeholder but the import path and the two unbounded
// lists (a public page shows neither), the new sections, and a page that refers to
// nothing outside itself.
TEST_F(HtmlReportTest, ShippedTemplateIsSelfContainedAndFillsEveryPlaceholder) {
  const std::string shipped = ReadFile(std::string(KESTRUNE_SOURCE_DIR) + "/data/template.html");
  const char* names[] = {"Date",         "ReportDate",    "FirstDate",
                         "LastDate",     "Entries",       "Allowed",
                         "Ignored",      "Comments",      "IgnoredExtensions",
                         "IgnoredUsers", "PageHits",      "HEAD",
                         "GET",          "POST",          "OPTIONS",
                         "UNKNOWN",      "Traffic",       "TrafficKb",
                         "TrafficMb",    "Downloads",     "DownloadTraffic",
                         "Users",        "RepeatUserRq",  "NewUsers",
                         "Referers",     "RepeatRefRq",   "NewReferers",
                         "Errors",       "Error404",      "Error3xx",
                         "OtherErrors",  "FileCount",     "FileFormat",
                         "FilesMoved",   "AddToDatabase", "PageCount",
                         "Days",         "DaysChart",     "HoursChart",
                         "Version"};
  for (const char* name : names)
    EXPECT_NE(shipped.find(std::string("%") + name + "%"), std::string::npos) << name;
  for (const char* name :
       {"TopPages", "TopVisitors", "TopReferrers", "TopUserAgents", "TopErrors", "TopDownloads"})
    EXPECT_NE(shipped.find(std::string("%") + name), std::string::npos) << name;
  for (const char* left : {"%Path%", "%Files%", "%Pages%"})
    EXPECT_EQ(shipped.find(left), std::string::npos) << left;
  EXPECT_NE(shipped.find("<meta charset=\"utf-8\">"), std::string::npos);

  FillSampleStats(stats_);
  stats_.slDownloadExt.Add("zip");
  settings_.path = "/var/log/site/*.log";
  const std::string filled = Fill(shipped);
  for (const char* name : names)
    EXPECT_EQ(filled.find(std::string("%") + name + "%"), std::string::npos) << name;
  EXPECT_EQ(filled.find("%Top"), std::string::npos);
  EXPECT_EQ(filled.find("/var/log/site"), std::string::npos);  // neither path nor files
  EXPECT_EQ(filled.find("<script"), std::string::npos);
  EXPECT_NE(filled.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
  for (const char* outside : {"src=", "href=", "@import", "<link", "<iframe", "<object", "<img"})
    EXPECT_EQ(filled.find(outside), std::string::npos) << outside;
  for (std::size_t at = filled.find("url("); at != std::string::npos;
       at = filled.find("url(", at + 1))
    EXPECT_EQ(filled.substr(at, 5), "url(#") << filled.substr(at, 40);
  // Both charts drawn, each of the six lists, and the daily table.
  const auto count = [&](const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = filled.find(part); at != std::string::npos;
         at = filled.find(part, at + 1))
      ++n;
    return n;
  };
  EXPECT_EQ(count("<svg class=\"chart\""), 2u);
  EXPECT_EQ(count("<table class=\"top "), 6u);
  EXPECT_EQ(count("<table class=\"days\""), 1u);
}

// ReplacePlaceholder on its own, for the seams between inserted values and the rest.
TEST(ReplacePlaceholder, NeverMatchesAcrossInsertedText) {
  std::string doc = "%Pa%Path%th%";
  ReplacePlaceholder(doc, "Path", "");
  EXPECT_EQ(doc, "%Path%");  // formed only by the seam: not the template's placeholder
  doc = "%a%a%A%";
  ReplacePlaceholder(doc, "a", "%a");
  EXPECT_EQ(doc, "%aa%a");
  doc = "%x%%X%%x%";
  ReplacePlaceholder(doc, "x", "%X%");
  EXPECT_EQ(doc, "%X%%X%%X%");
}

}  // namespace
}  // namespace kestrune::test

namespace kestrune::test {
namespace {

// FilledTemplate: the values inserted so far are remembered through later replacements,
// so that a replacement in template text only never reaches into one.
struct FillStep {
  bool templateTextOnly;
  const char* name;
  const char* value;
};

struct FillCase {
  const char* start;
  std::vector<FillStep> steps;
  const char* result;
};

TEST(FilledTemplate, TemplateTextOnlyKeepsOutOfEveryValue) {
  const FillCase cases[] = {
      // In template text it is replaced; in a value it stays.
      {"%A% %B%", {{false, "A", "%B%"}, {true, "B", "b"}}, "%B% b"},
      // A value that grew or shrank earlier text still shields its own text.
      {"%A%%B% %B%",
       {{false, "A", "long value "}, {false, "B", "%C%"}, {true, "C", "c"}},
       "long value %C% %C%"},
      // Straddling the edge of a value: not template text.
      {"%Pa%A%th%", {{false, "A", ""}, {true, "Path", "x"}}, "%Path%"},
      {"%Pa%A%", {{false, "A", "th%"}, {true, "Path", "x"}}, "%Path%"},
      // An earlier placeholder inside a value is replaced as before by the 39's rule, and
      // the whole value stays shielded afterwards.
      {"%A%", {{false, "A", "[%B%]"}, {false, "B", "%C%"}, {true, "C", "c"}}, "[%C%]"},
      // The case-insensitive fallback in the first characters skips values too.
      {"%a% %c%", {{false, "A", "%C%"}, {true, "C", "c"}}, "%C% c"},
      // Template text after many values is still found.
      {"%A%%A%%A% %B% %A%", {{false, "A", "-"}, {true, "B", "b"}}, "--- b -"},
  };
  for (const FillCase& c : cases) {
    SCOPED_TRACE(c.start);
    FilledTemplate filled(c.start);
    for (const FillStep& step : c.steps) {
      if (step.templateTextOnly)
        filled.ReplaceInTemplateText(step.name, step.value);
      else
        filled.Replace(step.name, step.value);
    }
    EXPECT_EQ(filled.Text(), c.result);
  }
}

TEST(FilledTemplate, ArgumentsAreTheSpellingsInTemplateText) {
  FilledTemplate filled("%TopPages% %toppages:010% %TopPages:3% %TopPages:3% %TopPages:x% %A%");
  filled.Replace("A", "%TopPages:9%");
  EXPECT_EQ(filled.ArgumentsOf("TopPages"), (std::vector<std::string>{"", "010", "3"}));
  EXPECT_TRUE(filled.ArgumentsOf("Days").empty());
}

// Mentions tells whether Replace would replace anything, so that a costly value may be
// left unbuilt.
TEST(FilledTemplate, MentionsWhatReplaceWouldFind) {
  const std::string far(300, '.');
  const std::pair<std::string, bool> cases[] = {
      {"x %Pages% y", true},
      {"%pages%", true},
      {far + "%Pages%", true},
      {far + "%pages%", false},
      {"%Page% %ages%", false},
      {std::string(248, '-') + "%pages%", true},
      {std::string(249, '-') + "%pages%", false},
  };
  for (const auto& [text, mentioned] : cases) {
    FilledTemplate filled(text);
    EXPECT_EQ(filled.Mentions("Pages"), mentioned) << text.size();
    filled.Replace("Pages", "P");
    EXPECT_EQ(filled.Text() != text, mentioned) << text.size();
  }
}

}  // namespace
}  // namespace kestrune::test
