#include <filesystem>
#include <string>

#include "report_fixture.h"
#include "reports/report_writers.h"

namespace kestrune::test {
namespace {

using TextReportTest = ReportTest;

TEST_F(TextReportTest, MatchesGoldenAfterAccumulation) {
  FillSampleStats(stats_);
  settings_ = {"/var/log/site/*.log", true, true, true};
  std::string today;
  const std::string written =
      WrittenOnOneDay([&] { ASSERT_TRUE(SaveReportAsText(Path("r.txt").string(), Input())); },
                      [&] { return ReadFile(Path("r.txt")); }, today);
  EXPECT_EQ(written, Golden("sample.txt", today));
}

TEST_F(TextReportTest, BeforeAnyImportShowsStartingTexts) {
  settings_ = {"", false, false, false};
  std::string today;
  const std::string written =
      WrittenOnOneDay([&] { ASSERT_TRUE(SaveReportAsText(Path("empty.txt").string(), Input())); },
                      [&] { return ReadFile(Path("empty.txt")); }, today);
  EXPECT_EQ(written, Golden("empty.txt", today));
}

TEST_F(TextReportTest, FileLinesFollowTheFormatAtSavingAndOptionsThatApply) {
  FillSampleStats(stats_);
  settings_ = {"p", false, false, true};
  ASSERT_TRUE(SaveReportAsText(Path("unix.txt").string(), Input()));
  const std::string text = ReadFile(Path("unix.txt"));
  EXPECT_NE(text.find("\r\nPath: p\r\n"
                      "UNIX /var/log/site/ex260314.log\r\n"
                      "UNIX /var/log/site/a&b <old>.log\r\n"
                      "UNIX \r\n"
                      "Entries were added to the database.\r\n"
                      "\r\nPages found:\r\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("Files were moved"), std::string::npos);
}

TEST_F(TextReportTest, ReplacesAnExistingFileAndLeavesOutEmptyPages) {
  WriteFile(Path("old.txt"), std::string(100000, '#'));
  stats_.slPages.ObjectOrCreate(stats_.slPages.Add("")).Hits = 3;
  stats_.slPages.ObjectOrCreate(stats_.slPages.Add("/big")).Hits = 123456;
  ASSERT_TRUE(SaveReportAsText(Path("old.txt").string(), Input()));
  const std::string text = ReadFile(Path("old.txt"));
  EXPECT_EQ(text.find('#'), std::string::npos);
  const std::string tail = "Pages found:\r\nPage : Hits\r\n/big : 123456\r\n\r\n";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST_F(TextReportTest, FailureGivesFalse) {
  EXPECT_FALSE(SaveReportAsText(Path("missing/r.txt").string(), Input()));
  EXPECT_FALSE(std::filesystem::exists(Path("missing")));
  EXPECT_FALSE(SaveReportAsText(dir_.string(), Input()));  // a directory
  if (std::filesystem::exists("/dev/full")) {              // the disk is full
    EXPECT_FALSE(SaveReportAsText("/dev/full", Input()));
  }
}

}  // namespace
}  // namespace kestrune::test
