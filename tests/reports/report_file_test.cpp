// Reports on a real full file system: a report that cannot be written whole leaves the
// previous one intact and no temporary file behind, and the writer says it failed. A
// report target that is a symbolic link is refused and neither it nor its file changes.
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
  // True when the writer reports success; for HTML, a raised error counts as failure.
  std::function<bool(const std::string& templatePath, const std::string& target,
                     const ReportInput& input)>
      save;
};

// The message of the last error the HTML writer raised.
std::string lastHtmlError;

const Writer kWriters[] = {
    {"Text", "txt",
     [](const std::string&, const std::string& t, const ReportInput& in) {
       return SaveReportAsText(t, in);
     }},
    {"Xml", "xml",
     [](const std::string&, const std::string& t, const ReportInput& in) {
       return SaveReportAsXML(t, in);
     }},
    {"Html", "html",
     [](const std::string& templatePath, const std::string& t, const ReportInput& in) {
       lastHtmlError.clear();
       try {
         SaveReportAsHTML(templatePath, t, in);
         return true;
       } catch (const Error& e) {
         lastHtmlError = e.what();
         return false;
       }
     }},
};

// The HTML writer raised `message` (the others only answer false).
void ExpectHtmlError(const Writer& writer, const std::string& message) {
  if (std::string(writer.name) == "Html") {
    EXPECT_EQ(lastHtmlError, message);
  }
}

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
  ExpectHtmlError(GetParam(), "Cannot write file " + target.string());
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
  ExpectHtmlError(GetParam(), "Cannot write file " + target.string());
  EXPECT_EQ(ReadFile(target), good);
  EXPECT_EQ(Names(disk.Path()), (std::vector<std::string>{"filler", target.filename()}));
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, FullDiskReportTest, ::testing::ValuesIn(kWriters),
                         [](const ::testing::TestParamInfo<Writer>& info) {
                           return std::string(info.param.name);
                         });

class LinkedReportTest : public ReportTest, public ::testing::WithParamInterface<Writer> {};

TEST_P(LinkedReportTest, AReportNeverGoesThroughASymbolicLink) {
  // A report folder that others can write to: a link planted under the report's name
  // must not let the run replace or create the file it names.
  WriteFile(Path("t.html"), "<html>%Pages%</html>");
  fs::create_directory(Path("elsewhere"));
  WriteFile(Path("elsewhere/victim"), "precious");
  const std::string target = Path(std::string("report.") + GetParam().extension).string();
  for (const char* pointsTo : {"elsewhere/victim", "elsewhere/created", "/dev/null"}) {
    fs::remove(target);
    fs::create_symlink(pointsTo, target);
    EXPECT_FALSE(GetParam().save(Path("t.html").string(), target, Input())) << pointsTo;
    ExpectHtmlError(GetParam(), target + " is a symbolic link; not written");
    EXPECT_EQ(fs::read_symlink(target), pointsTo);
    EXPECT_EQ(ReadFile(Path("elsewhere/victim")), "precious");
    EXPECT_FALSE(fs::exists(Path("elsewhere/created")));
    EXPECT_EQ(WriteReportFile(target, "x"), WriteResult::SymbolicLink);
    EXPECT_EQ(ReportTargetRefusal(target), target + " is a symbolic link; not written");
    EXPECT_EQ(Names(Path(".")), (std::vector<std::string>{
                                    "elsewhere", target.substr(target.rfind('/') + 1), "t.html"}));
  }
  EXPECT_EQ(ReportTargetRefusal(Path("t.html").string()), "");
  EXPECT_EQ(ReportTargetRefusal(Path("missing.txt").string()), "");
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, LinkedReportTest, ::testing::ValuesIn(kWriters),
                         [](const ::testing::TestParamInfo<Writer>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace kestrune::test
