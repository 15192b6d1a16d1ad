// RUN=<mask>: the installed program's unattended import of logs anywhere, with the
// format and the options of the settings; rotated gzip files and combined lines.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/unattended_process.h"
#include "window_fixture.h"

namespace kestrune::test {
namespace {

constexpr const char* kCombined =
    "10.0.0.1 - - [07/Dec/2026:10:00:00 +0000] \"GET /Products/Kettle HTTP/1.1\" 200 512 "
    "\"http://search.example/?q=kettle\" \"Mozilla/5.0 (X11; Linux x86_64) Firefox/120.0\"\n"
    "10.0.0.2 - - [07/Dec/2026:11:00:00 +0000] \"GET /Index.html HTTP/1.1\" 200 100 \"-\" "
    "\"curl/8.0\"\n";

class RunMaskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir / "logs");
    std::filesystem::create_directories(dir / "job");
    WriteFile(dir / "s.reg",
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Vantorel\\Kestrune]\r\n"
              "\"IIS\"=\"N\"\r\n\"UNIX\"=\"Y\"\r\n\"UnixCombined\"=\"Y\"\r\n"
              "\"UnixKeepCase\"=\"Y\"\r\n");
  }
  // The program as built (its template beside it), started in the folder "job".
  ProcessOutcome Run(const QStringList& args) {
    return RunUnattended(std::string(KESTRUNE_BINARY_DIR) + "/kestrune", dir / "job", dir / "s.reg",
                         dir / "tmp", args);
  }
  TempDir dir;
};

TEST_F(RunMaskTest, ImportsPlainAndCompressedLogsRelativeToTheCurrentDirectory) {
  WriteFile(dir / "logs/access.log", kCombined);
  WriteFile(dir / "logs/access.log.1", kCombined);
  ASSERT_EQ(std::system(("gzip -9 " + (dir / "logs/access.log.1")).c_str()), 0);
  const ProcessOutcome o = Run({QStringLiteral("RUN=../logs/access.log*"),
                                QStringLiteral("REPORT=stats.html"), QStringLiteral("QUIT")});
  ASSERT_TRUE(o.finished);
  EXPECT_EQ(o.exitCode, 0) << o.err;
  const std::vector<std::string> log = LogMessages(dir / "logs/maintenance-log.txt");
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[0], "Scanning file " + (dir / "job/../logs/access.log") + ".");
  EXPECT_EQ(log[1], "Scanning file " + (dir / "job/../logs/access.log.1.gz") + ".");
  EXPECT_EQ(log[2].rfind("Update completed.", 0), 0u) << log[2];
  // The referrer and the user agent of the combined lines, in their letter case.
  const std::string report = ReadFile(dir / "job/stats.html");
  EXPECT_NE(report.find("http://search.example/?q=kettle"), std::string::npos);
  EXPECT_NE(report.find("/Products/Kettle"), std::string::npos);
  EXPECT_NE(report.find("Firefox"), std::string::npos);
}

TEST_F(RunMaskTest, NothingToImportSaysWhyAndFails) {
  const struct {
    const char* mask;
    std::string logFile, line;
  } cases[] = {
      {"RUN=../logs/none*.log", dir / "logs/maintenance-log.txt",
       "No file matches " + (dir / "job/../logs/none*.log")},
      {"RUN=../gone/*.log", std::string(KESTRUNE_BINARY_DIR) + "/maintenance-log.txt",
       "Folder not found: " + (dir / "job/../gone")},
  };
  for (const auto& c : cases) {
    const ProcessOutcome o = Run({QString::fromLatin1(c.mask), QStringLiteral("QUIT")});
    ASSERT_TRUE(o.finished) << c.mask;
    EXPECT_EQ(o.exitCode, 1) << c.mask;
    const std::vector<std::string> log = LogMessages(c.logFile);
    EXPECT_NE(std::find(log.begin(), log.end(), c.line), log.end()) << c.mask << ": " << c.line;
  }
}

}  // namespace
}  // namespace kestrune::test
