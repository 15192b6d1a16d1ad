// The statistics panel: the number forms, the two tooltips and Clear.
#include <QAction>
#include <QLabel>

#include "reports/panel_texts.h"
#include "window_fixture.h"

namespace kestrune::test {
namespace {

class StatsPanelTest : public WindowTest {
 protected:
  std::string Hint(const char* name) { return Find<QLabel>(name)->toolTip().toStdString(); }
  std::string Today() { return FormatDdMmmYyyy(NowLocal()); }
};

TEST_F(StatsPanelTest, StartShowsZerosAndToday) {
  Show();
  for (const char* name :
       {"ebEntries", "ebAllowedEntries", "ebPageHits", "ebUsers", "ebReferers", "ebErrors",
        "ebTraffic", "ebTrafficKb", "ebTrafficMb", "ebDownloadTraffic", "ebDownloadTrafficMb"})
    EXPECT_EQ(Text(name), "0") << name;
  EXPECT_EQ(Text("ebFrom"), Today());
  EXPECT_EQ(Text("ebTo"), Today());
  EXPECT_EQ(Hint("ebTraffic"), "0 Kb / 0 Mb");
}

TEST_F(StatsPanelTest, ByteFormsAndTooltips) {
  Show();
  clsImportStats& s = window->Stats();
  const auto show = [&](double traffic, double download) {
    s.Traffic = traffic;
    s.DownloadTraffic = download;
    window->ShowStatsNow();
  };
  show(1536, 1048575);
  EXPECT_EQ(Text("ebTraffic"), "1536");
  EXPECT_EQ(Text("ebTrafficKb"), "1");
  EXPECT_EQ(Text("ebTrafficMb"), "0");
  EXPECT_EQ(Hint("ebTraffic"), "1 Kb / 0 Mb");
  EXPECT_EQ(Text("ebDownloadTraffic"), "1048575");
  EXPECT_EQ(Text("ebDownloadTrafficKb"), "1023");
  EXPECT_EQ(Text("ebDownloadTrafficMb"), "0");
  EXPECT_EQ(Hint("ebDownloadTraffic"), "1023 Kb / 0 Mb");
  show(1048576, 2047.9);  // a fraction shows without it, Kb truncated
  EXPECT_EQ(Text("ebTraffic"), "1048576");
  EXPECT_EQ(Text("ebTrafficKb"), "1024");
  EXPECT_EQ(Text("ebTrafficMb"), "1");
  EXPECT_EQ(Text("ebDownloadTraffic"), "2047");
  EXPECT_EQ(Text("ebDownloadTrafficKb"), "1");
  show(5000000000.75, 0);  // beyond 32 bits
  EXPECT_EQ(Text("ebTraffic"), "5000000000");
}

TEST_F(StatsPanelTest, EveryValueFromItsSource) {
  Show();
  clsImportStats& s = window->Stats();
  s.Entries = 4294967295u;
  s.Allowed = 2, s.Ignored = 3, s.Comments = 4, s.IgnoredUsers = 5, s.IgnoredExtensions = 6;
  s.PageHits = 7, s.HEAD = 8, s.GET = 9, s.POST = 10, s.OPTIONS = 11, s.UNKNOWN = 12;
  s.RepeatUserRq = 13, s.NewUsers = 14, s.Downloads = 15, s.RepeatRefRq = 16;
  s.NewReferers = 17, s.Errors = 18, s.Error404 = 19, s.Error3xx = 20, s.OtherErrors = 21;
  s.slUsers.Add("10.0.0.1");
  s.slUsers.Add("10.0.0.2");
  s.slReferers.Add("http://x/");
  ASSERT_TRUE(TryEncodeDate(2026, 1, 5, s.FirstDate));
  ASSERT_TRUE(TryEncodeDate(2026, 2, 7, s.LastDate));
  window->ShowStatsNow();
  const std::vector<std::pair<const char*, std::string>> expected = {
      {"ebEntries", "4294967295"},
      {"ebAllowedEntries", "2"},
      {"ebIgnoredEntries", "3"},
      {"ebComments", "4"},
      {"ebIgnoredUsers", "5"},
      {"ebIgnoredExt", "6"},
      {"ebPageHits", "7"},
      {"ebPageHEAD", "8"},
      {"ebPageGET", "9"},
      {"ebPagePOST", "10"},
      {"ebPageOPTIONS", "11"},
      {"ebPageUNKNOWN", "12"},
      {"ebUsers", "2"},
      {"ebKnownUsers", "13"},
      {"ebNewUsers", "14"},
      {"ebDownloads", "15"},
      {"ebReferers", "1"},
      {"ebKnownReferers", "16"},
      {"ebNewReferers", "17"},
      {"ebErrors", "18"},
      {"ebError404", "19"},
      {"ebError30x", "20"},
      {"ebOtherErrors", "21"},
      {"ebFrom", FormatDdMmmYyyy(s.FirstDate)},
      {"ebTo", FormatDdMmmYyyy(s.LastDate)}};
  for (const auto& [name, text] : expected) EXPECT_EQ(Text(name), text) << name;
}

TEST_F(StatsPanelTest, ClearShowsZerosAndKeepsConfigurationLists) {
  Show();
  clsImportStats& s = window->Stats();
  s.Entries = 9;
  s.Traffic = 4096;
  s.slUsers.Add("a");
  s.slReferers.Add("r");
  s.slIgnoreExt.Add(".GIF");
  ASSERT_TRUE(TryEncodeDate(2020, 3, 3, s.FirstDate));
  window->ShowStatsNow();
  ASSERT_EQ(Text("ebEntries"), "9");
  Find<QAction>("mnClear")->trigger();
  EXPECT_EQ(Text("ebEntries"), "0");
  EXPECT_EQ(Text("ebTraffic"), "0");
  EXPECT_EQ(Text("ebUsers"), "0");
  EXPECT_EQ(Text("ebReferers"), "0");
  EXPECT_EQ(Text("ebFrom"), Today());
  EXPECT_EQ(s.slIgnoreExt.Count(), 1);
}

}  // namespace
}  // namespace kestrune::test
