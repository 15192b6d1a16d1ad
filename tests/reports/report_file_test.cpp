// Reports on a real full file system: a report that cannot be written whole leaves the
// previous one intact and no temporary file behind, and the writer says it failed.
#include "reports/report_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "report_fixture.h"
#include "reports/report_writers.h"
#include "support/tmpfs_mount.h"
#include "util/error.h"

namespace kestrune::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// Fills the file system of `dir` until less than `leaveBytes` are free.
void Fill(const fs::path& dir, std::uintmax_t leaveBytes) {
  const std::uintmax_t free = fs::space(dir).available;
  const std::string filler(free > leaveBytes ? free - leaveBytes : 0, 'f');
  std::FILE* file = std::fopen((dir / "filler").c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(filler.data(), 1, filler.size(), file);
  std::fclose(file);
}

struct Writer {
  const char* name;
  const char* extension;
  // True when the writer reports success; for HTML, a raised "Cannot write file" error
  // counts as failure.
  std::function<bool(const std::string& templatePath, const std::string& target,
                     const ReportInput& input)>
      save;
};

class FullDiskReportTest : public ReportTest, public ::testing::WithParamInterface<Writer> {};

TEST_P(FullDiskReportTest, APartialReportNeverReplacesThePreviousOne) {
  TmpfsMount disk(256);
  if (!disk.Mounted()) GTEST_SKIP() << disk.Reason();
  WriteFile(Path("t.html"), "<html>%Pages%</html>");
  // About 400 KB of page texts: more than the whole file system holds.
  for (int i = 0; i < 8000; ++i)
    stats_.slPages
        .ObjectOrCreate(stats_.slPages.Add("/page/" + std::to_string(i) + std::string(40, 'p')))
        .Hits = 1;
  const fs::path target = fs::path(disk.Path()) / (std::string("report.") + GetParam().extension);
  WriteFile(target, "the previous report");
  ::chmod(target.c_str(), 0640);

  EXPECT_FALSE(GetParam().save(Path("t.html").string(), target.string(), Input()));
  EXPECT_EQ(ReadFile(target), "the previous report");
  EXPECT_EQ(Names(disk.Path()), std::vector<std::string>{target.filename()});

  // A report that fits replaces the old one whole and keeps its permission bits.
  stats_.slPages.Clear();
  stats_.slPages.ObjectOrCreate(stats_.slPages.Add("/only")).Hits = 1;
  Fill(disk.Path(), 64 * 1024);
  ASSERT_TRUE(GetParam().save(Path("t.html").string(), target.string(), Input()));
  EXPECT_NE(ReadFile(target).find("/only"), std::string::npos);
  struct stat info {};
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);

  // Full again: the good report stays as it was.
  const std::string good = ReadFile(target);
  fs::remove(fs::path(disk.Path()) / "filler");
  Fill(disk.Path(), 0);
  EXPECT_FALSE(GetParam().save(Path("t.html").string(), target.string(), Input()));
  EXPECT_EQ(ReadFile(target), good);
  EXPECT_EQ(Names(disk.Path()), (std::vector<std::string>{"filler", target.filename()}));
}

INSTANTIATE_TEST_SUITE_P(
    EveryFormat, FullDiskReportTest,
    ::testing::Values(Writer{"Text", "txt",
                             [](const std::string&, const std::string& t, const ReportInput& in) {
                               return SaveReportAsText(t, in);
                             }},
                      Writer{"Xml", "xml",
                             [](const std::string&, const std::string& t, const ReportInput& in) {
                               return SaveReportAsXML(t, in);
                             }},
                      Writer{"Html", "html",
                             [](const std::string& templatePath, const std::string& t,
                                const ReportInput& in) {
                               try {
                                 SaveReportAsHTML(templatePath, t, in);
                                 return true;
                               } catch (const Error& e) {
                                 EXPECT_EQ(std::string(e.what()), "Cannot write file " + t);
                                 return false;
                               }
                             }}),
    [](const ::testing::TestParamInfo<Writer>& info) { return std::string(info.param.name); });

TEST_F(ReportTest, ALinkedReportIsReplacedBehindItsLink) {
  WriteFile(Path("real.txt"), "old");
  fs::create_symlink(Path("real.txt"), Path("link.txt"));
  ASSERT_EQ(WriteReportFile(Path("link.txt").string(), "new"), WriteResult::Ok);
  EXPECT_TRUE(fs::is_symlink(Path("link.txt")));
  EXPECT_EQ(ReadFile(Path("real.txt")), "new");
}

}  // namespace
}  // namespace kestrune::test
