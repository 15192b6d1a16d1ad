#include "reports/report_format.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "report_fixture.h"

namespace kestrune::test {
namespace {

struct Case {
  std::string name;
  bool xmlFilter;
  std::string fileName;
  ReportFormat format;
};

TEST(ChooseReportTarget, FormatFollowsTheFinalExtension) {
  const Case cases[] = {
      {"/out/stats.xml", false, "/out/stats.xml", ReportFormat::Xml},
      {"/out/stats.Xml", false, "/out/stats.Xml", ReportFormat::Xml},
      {"/out/stats.XML", false, "/out/stats.XML", ReportFormat::Xml},
      {"/out/stats.html", false, "/out/stats.html", ReportFormat::Html},
      {"/out/stats.HtMl", true, "/out/stats.HtMl", ReportFormat::Html},
      {"/out/stats.htm", false, "/out/stats.htm", ReportFormat::Text},
      {"/out/stats.txt", true, "/out/stats.txt", ReportFormat::Text},  // filter does not count
      {"/out/stats.csv", false, "/out/stats.csv", ReportFormat::Text},
      {"/out/stats.tar.xml", false, "/out/stats.tar.xml", ReportFormat::Xml},
      // No extension: the XML filter gives .xml, any other .txt.
      {"/out/stats", true, "/out/stats.xml", ReportFormat::Xml},
      {"/out/stats", false, "/out/stats.txt", ReportFormat::Text},
      {"/out/stats.", false, "/out/stats..txt", ReportFormat::Text},
      {"/out/stats.", true, "/out/stats..xml", ReportFormat::Xml},
      // A dot in a directory name is no extension.
      {"/logs.old/report", false, "/logs.old/report.txt", ReportFormat::Text},
      {"/logs.html/report", true, "/logs.html/report.xml", ReportFormat::Xml},
      // Blanks around the name go.
      {"  /out/stats.xml  ", false, "/out/stats.xml", ReportFormat::Xml},
      {"  /out/stats  ", false, "/out/stats.txt", ReportFormat::Text},
  };
  for (const Case& c : cases) {
    const ReportTarget target = ChooseReportTarget(c.name, c.xmlFilter);
    EXPECT_EQ(target.fileName, c.fileName) << '"' << c.name << '"';
    EXPECT_EQ(target.format, c.format) << '"' << c.name << '"';
  }
}

TEST(ChooseReportTarget, LongNamesAreCutBeforeTheBlanksGo) {
  // The 255-character cut comes first: it drops ".html" here, and the blanks before it
  // are then trimmed.
  const std::string name = "/" + std::string(250, 'r') + "    .html";
  const ReportTarget target = ChooseReportTarget(name, false);
  EXPECT_EQ(target.fileName, "/" + std::string(250, 'r') + ".txt");
  EXPECT_EQ(target.format, ReportFormat::Text);
}

using ChooseReportTargetOnDisk = ReportTest;

TEST_F(ChooseReportTargetOnDisk, AnExistingDirectoryHasNoExtension) {
  std::filesystem::create_directory(Path("saved.xml"));
  const ReportTarget target = ChooseReportTarget(Path("saved.xml").string(), false);
  EXPECT_EQ(target.fileName, Path("saved.xml.txt").string());
  EXPECT_EQ(target.format, ReportFormat::Text);
}

}  // namespace
}  // namespace kestrune::test
