// The sample logs of kestrune-loggen read end to end by both readers: the generator's
// promises (deterministic, the asked-for visitors and pages, valid dates) and the
// readers' counting over realistic files.
#include <gtest/gtest.h>

#include "logfiles/log_readers.h"
#include "loggen_support.h"
#include "test_support.h"

namespace kestrune {
namespace {

using testing::TempDir;

std::string Generate(const TempDir& dir, const std::string& name, const std::string& options) {
  return testing::GenerateLog(dir, name, options);
}

using testing::Contents;

TEST(GeneratedLogsTest, AnIISLogReadsWithoutErrorAndShowsTheAskedForVariety) {
  TempDir dir;
  const std::string file =
      Generate(dir, "ex.log", "--lines 20000 --visitors 300 --pages 120 --days 2 --seed 5");
  clsImportStats stats;
  NullReaderHost host;
  ReaderContext context{stats, host};
  const int lines = ScanIISFile(file, false, context);
  EXPECT_EQ(lines, 20000 + 2 * 4);  // one header block of four lines per day
  EXPECT_EQ(stats.Comments, 8u);
  EXPECT_EQ(stats.Allowed, 20000u);
  EXPECT_EQ(stats.slUsers.Count(), 300);
  EXPECT_EQ(stats.slPages.Count(), 120);
  EXPECT_GT(stats.Error404, 0u);
  EXPECT_GT(stats.Error3xx, 0u);
  EXPECT_GT(stats.POST, 0u);
  EXPECT_GT(stats.HEAD, 0u);
  EXPECT_GT(stats.slReferers.Count(), 10);
  EXPECT_GT(stats.slUserAgents.Count(), 5);
  EXPECT_LT(stats.NewUsers, stats.Allowed);  // visitors come back
  TDateTime first = 0, last = 0;
  ASSERT_TRUE(TryEncodeDate(2026, 3, 1, first));
  ASSERT_TRUE(TryEncodeDate(2026, 3, 3, last));
  EXPECT_GE(stats.FirstDate, first);
  EXPECT_LT(stats.LastDate, last);
  // Sessions of several requests minutes apart: visits are fewer than requests.
  Counter visits = 0;
  for (int i = 0; i < stats.slUsers.Count(); ++i) visits += stats.slUsers.Object(i)->Visits;
  EXPECT_LT(visits * 2, stats.Allowed);
}

TEST(GeneratedLogsTest, AUnixLogReadsWithoutError) {
  TempDir dir;
  const std::string file = Generate(
      dir, "access_log", "--format unix --combined --lines 5000 --visitors 100 --start 2026-10-30");
  clsImportStats stats;
  NullReaderHost host;
  ReaderContext context{stats, host};
  EXPECT_EQ(ScanUnixFile(file, "10.0.0.1", false, context), 5000);
  EXPECT_EQ(stats.Allowed, 5000u);
  EXPECT_EQ(stats.slUsers.Count(), 100);
  EXPECT_EQ(stats.slReferers.Count(), 0);
  TDateTime day = 0;
  ASSERT_TRUE(TryEncodeDate(2026, 10, 29, day));  // the zone +0100 shifts an hour back
  EXPECT_GE(stats.FirstDate, day + 23.0 / 24);
}

TEST(GeneratedLogsTest, TheSameOptionsGiveTheSameBytes) {
  TempDir dir;
  const std::string a = Contents(Generate(dir, "a.log", "--lines 3000 --seed 9"));
  const std::string b = Contents(Generate(dir, "b.log", "--lines 3000 --seed 9"));
  const std::string c = Contents(Generate(dir, "c.log", "--lines 3000 --seed 10"));
  EXPECT_FALSE(a.empty());
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
}

TEST(GeneratedLogsTest, BadOptionsAreRefused) {
  TempDir dir;
  const std::string tool = std::string(KESTRUNE_BINARY_DIR) + "/kestrune-loggen";
  for (const char* options :
       {"--format w3c", "--start 2026-02-30", "--pages 2", "--lines x", "--bogus"}) {
    const std::string command =
        tool + " " + options + " --output " + dir.Path("x") + " 2>/dev/null";
    EXPECT_NE(std::system(command.c_str()), 0) << options;
  }
}

}  // namespace
}  // namespace kestrune
