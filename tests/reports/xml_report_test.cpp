#include <expat.h>

#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "report_fixture.h"
#include "reports/report_writers.h"
#include "reports/xml_escape.h"

namespace kestrune::test {
namespace {

// What expat reads from a document: the text of each simple element and the url
// attributes of File and Page, as UTF-8.
struct Parsed {
  bool wellFormed = false;
  std::string error;
  std::map<std::string, std::string> text;
  std::vector<std::string> fileUrls, pageUrls;
  std::string current;
};

Parsed ParseXml(const std::string& document) {
  Parsed parsed;
  XML_Parser parser = XML_ParserCreate(nullptr);
  XML_SetUserData(parser, &parsed);
  XML_SetElementHandler(
      parser,
      [](void* data, const XML_Char* name, const XML_Char** attributes) {
        auto& p = *static_cast<Parsed*>(data);
        p.current.clear();
        for (int i = 0; attributes[i]; i += 2) {
          if (std::string(attributes[i]) != "url") continue;
          (std::string(name) == "File" ? p.fileUrls : p.pageUrls).push_back(attributes[i + 1]);
        }
      },
      [](void* data, const XML_Char* name) {
        auto& p = *static_cast<Parsed*>(data);
        p.text[name] = p.current;
        p.current.clear();
      });
  XML_SetCharacterDataHandler(parser, [](void* data, const XML_Char* s, int length) {
    static_cast<Parsed*>(data)->current.append(s, static_cast<std::size_t>(length));
  });
  parsed.wellFormed =
      XML_Parse(parser, document.data(), static_cast<int>(document.size()), 1) == XML_STATUS_OK;
  if (!parsed.wellFormed) parsed.error = XML_ErrorString(XML_GetErrorCode(parser));
  XML_ParserFree(parser);
  return parsed;
}

using XmlReportTest = ReportTest;

TEST_F(XmlReportTest, MatchesGoldenAndParses) {
  FillSampleStats(stats_);
  settings_ = {"/var/log/\"site\" & 'co'/*.log", true, false, true};
  std::string today;
  const std::string written =
      WrittenOnOneDay([&] { ASSERT_TRUE(SaveReportAsXML(Path("r.xml").string(), Input())); },
                      [&] { return ReadFile(Path("r.xml")); }, today);
  EXPECT_EQ(written, Golden("sample.xml", today));

  const Parsed parsed = ParseXml(written);
  ASSERT_TRUE(parsed.wellFormed) << parsed.error;
  EXPECT_EQ(parsed.text.at("Path"), settings_.path);
  EXPECT_EQ(parsed.fileUrls, (std::vector<std::string>{"/var/log/site/ex260314.log",
                                                       "/var/log/site/a&b <old>.log"}));
  ASSERT_EQ(parsed.pageUrls.size(), 5u);
  EXPECT_EQ(parsed.pageUrls[1], "/<script>alert(1)</script>.html");
  EXPECT_EQ(parsed.pageUrls[4], "/caf\xC3\xA9/%Pages%.html");  // Latin-1 0xE9 read as é
}

TEST_F(XmlReportTest, BeforeAnyImportMatchesGolden) {
  settings_ = {"", false, false, false};
  std::string today;
  const std::string written =
      WrittenOnOneDay([&] { ASSERT_TRUE(SaveReportAsXML(Path("e.xml").string(), Input())); },
                      [&] { return ReadFile(Path("e.xml")); }, today);
  EXPECT_EQ(written, Golden("empty.xml", today));
  EXPECT_TRUE(ParseXml(written).wellFormed);
}

TEST_F(XmlReportTest, AnyBytesGiveAWellFormedDocumentThatKeepsTheText) {
  // Markup, quotes, white space, control bytes, valid UTF-8, a Latin-1 byte, an encoded
  // surrogate, a non-character, an overlong form and a cut-off sequence.
  const std::string hostile =
      "a&b<c>\"'\t\r\n\x01\x1F\x7F \xE9 \xC3\xA9 \xED\xA0\x80 \xEF\xBF\xBE \xF0\x9F\x98\x80 "
      "\xC0\xAF ]]> \xE2\x82";
  const std::string expected =
      "a&b<c>\"'\t\r\n\xEF\xBF\xBD\xEF\xBF\xBD\x7F \xC3\xA9 \xC3\xA9 \xC3\xAD\xC2\xA0\xC2\x80 "
      "\xEF\xBF\xBD \xF0\x9F\x98\x80 \xC3\x80\xC2\xAF ]]> \xC3\xA2\xC2\x82";
  settings_.path = hostile;
  stats_.slFiles.Add(hostile);
  stats_.slPages.ObjectOrCreate(stats_.slPages.Add(hostile)).Hits = 2;
  ASSERT_TRUE(SaveReportAsXML(Path("h.xml").string(), Input()));
  const std::string written = ReadFile(Path("h.xml"));
  const Parsed parsed = ParseXml(written);
  ASSERT_TRUE(parsed.wellFormed) << parsed.error;
  EXPECT_EQ(parsed.text.at("Path"), expected);
  EXPECT_EQ(parsed.fileUrls, std::vector<std::string>{expected});
  EXPECT_EQ(parsed.pageUrls, std::vector<std::string>{expected});
  EXPECT_EQ(parsed.text.at("Page"), "2");
  // One element or tag per line: no value brings its own line break.
  EXPECT_EQ(written.find("\n\n"), std::string::npos);
  EXPECT_NE(written.find("<Page url=\"a&amp;b&lt;c&gt;&quot;&apos;&#x9;&#xD;&#xA;&#xFFFD;"),
            std::string::npos);
}

TEST_F(XmlReportTest, RandomBytesAlwaysParse) {
  std::mt19937 random(20260314);
  for (int c = 0; c < 256; ++c) {
    const std::string one(1, static_cast<char>(c));
    stats_.slPages.ObjectOrCreate(stats_.slPages.Add(one + "x" + one));
  }
  for (int n = 0; n < 300; ++n) {
    std::string text(1 + random() % 12, '\0');
    for (char& c : text) c = static_cast<char>(random() % 256);
    stats_.slPages.ObjectOrCreate(stats_.slPages.Add(text));
    stats_.slFiles.Add(text);
  }
  ASSERT_TRUE(SaveReportAsXML(Path("r.xml").string(), Input()));
  const Parsed parsed = ParseXml(ReadFile(Path("r.xml")));
  ASSERT_TRUE(parsed.wellFormed) << parsed.error;
  EXPECT_EQ(parsed.pageUrls.size(), 556u);
  EXPECT_EQ(parsed.fileUrls.size(), 300u);
}

TEST_F(XmlReportTest, LongValuesAreWrittenWhole) {
  settings_.path = "/" + std::string(1000, 'p') + "/*.log";
  ASSERT_TRUE(SaveReportAsXML(Path("l.xml").string(), Input()));
  const Parsed parsed = ParseXml(ReadFile(Path("l.xml")));
  ASSERT_TRUE(parsed.wellFormed) << parsed.error;
  EXPECT_EQ(parsed.text.at("Path"), settings_.path);
}

TEST_F(XmlReportTest, FailureGivesFalse) {
  EXPECT_FALSE(SaveReportAsXML(Path("missing/r.xml").string(), Input()));
  EXPECT_FALSE(std::filesystem::exists(Path("missing")));
  if (std::filesystem::exists("/dev/full")) {
    EXPECT_FALSE(SaveReportAsXML("/dev/full", Input()));
  }
}

TEST(XmlEscape, ContentKeepsQuotesAttributesDoNot) {
  std::string content, attribute;
  AppendXmlText(content, "\"'&");
  AppendXmlAttribute(attribute, "\"'&");
  EXPECT_EQ(content, "\"'&amp;");
  EXPECT_EQ(attribute, "&quot;&apos;&amp;");
}

}  // namespace
}  // namespace kestrune::test
