// The built program as a process: unattended runs without a display from a copy of the
// program in a folder of its own, and the usage and version texts.
#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <memory>
#include <regex>

#include "storage_database.h"
#include "support/unattended_process.h"
#include "support/workbook_reader.h"
#include "window_fixture.h"

namespace kestrune::test {
namespace {

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(dir / "tmp");
    program = dir / "kestrune";
    std::filesystem::copy_file(std::string(KESTRUNE_BINARY_DIR) + "/kestrune", program);
    std::filesystem::copy_file(std::string(KESTRUNE_BINARY_DIR) + "/template.html",
                               dir / "template.html");
  }
  ProcessOutcome Run(const QStringList& args) {
    return RunUnattended(program, dir.Path(), dir / "s.reg", dir / "tmp", args);
  }
  std::vector<std::string> Log() { return LogMessages(dir / "maintenance-log.txt"); }

  TempDir dir;
  std::string program;
};

TEST_F(ProgramTest, QuitWithoutDisplayLeavesOneLogLine) {
  const ProcessOutcome o = Run({QStringLiteral("qUiT")});
  ASSERT_TRUE(o.finished);
  EXPECT_EQ(o.exitCode, 0);
  const std::string log = ReadFile(dir / "maintenance-log.txt");
  EXPECT_TRUE(std::regex_match(log, std::regex(R"(\S+ \d\d:\d\d:\d\d Quitting\r\n)"))) << log;
  EXPECT_FALSE(Exists(dir / "s.reg"));  // QUIT writes no settings
  EXPECT_EQ(o.err, "");                 // nothing for cron to mail
  const auto runtime = std::filesystem::status(dir / ("tmp/runtime-" + std::to_string(::getuid())));
  EXPECT_EQ(runtime.type(), std::filesystem::file_type::directory);
  EXPECT_EQ(runtime.permissions(), std::filesystem::perms::owner_all);
}

TEST_F(ProgramTest, HeadlessWordsWithoutQuitEndAsIfQuitCameLast) {
  const ProcessOutcome o = Run({QStringLiteral("nothing")});
  ASSERT_TRUE(o.finished);
  EXPECT_EQ(o.exitCode, 0);
  EXPECT_EQ(Log(), (std::vector<std::string>{"Quitting"}));
}

TEST_F(ProgramTest, NoWordsAndNoDisplaySaysSoInsteadOfAborting) {
  const ProcessOutcome o = Run({});
  ASSERT_TRUE(o.finished);
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_FALSE(Exists(dir / "maintenance-log.txt"));
}

TEST_F(ProgramTest, HelpAndVersion) {
  const ProcessOutcome help = Run({QStringLiteral("--help")});
  EXPECT_EQ(help.exitCode, 0);
  for (const char* word :
       {"DOWNLOAD", "RUN", "QUIT", "REPORT=<file>", "EXPORT=<file>", "maintenance-log.txt"})
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  EXPECT_NE(help.out.find((dir / "s.reg")), std::string::npos);
  const ProcessOutcome version = Run({QStringLiteral("--version")});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "Kestrune 1.0.0.1\n");
  EXPECT_EQ(Run({QStringLiteral("-h")}).exitCode, 0);
  EXPECT_FALSE(Exists(dir / "maintenance-log.txt"));
}

}  // namespace
}  // namespace kestrune::test

namespace kestrune::test {
namespace {

TEST_F(ProgramTest, RunQuitImportsTheProgramDirectory) {
  WriteFile(dir / "ex260301.log",
            "#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes\r\n"
            "2026-03-01 10:00:00 10.0.0.1 GET /a.html 200 100\r\n");
  const ProcessOutcome o = Run({QStringLiteral("run"), QStringLiteral("QUIT")});
  ASSERT_TRUE(o.finished);
  EXPECT_EQ(o.exitCode, 0);
  const std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), 8u);
  EXPECT_EQ(log[0], "Scanning for new files");
  EXPECT_EQ(log[1], "Scanning file " + dir / "ex260301.log.");
  EXPECT_EQ(log[2], "Update completed.");
  EXPECT_EQ(log[4].rfind("1 file(s) scanned in ", 0), 0u);
  EXPECT_EQ(log[7], "Quitting");
  // RUN remembers the path; QUIT writes nothing else (no FormClose).
  EXPECT_NE(ReadFile(dir / "s.reg").find("LastPath"), std::string::npos);
  EXPECT_EQ(ReadFile(dir / "s.reg").find("ImportMsg"), std::string::npos);
}

TEST_F(ProgramTest, RunQuitWithABadLogExitsOneAndLogsTheBox) {
  WriteFile(dir / "bad.log",
            "#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes\r\n"
            "2026-00-01 10:00:00 10.0.0.1 GET /a.html 200 100\r\n");
  const ProcessOutcome o = Run({QStringLiteral("RUN"), QStringLiteral("QUIT")});
  ASSERT_TRUE(o.finished);
  EXPECT_EQ(o.exitCode, 1);
  const std::vector<std::string> log = Log();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[2], "Error: Exception:");  // the box, answered OK by itself
  EXPECT_NE(std::find(log.begin(), log.end(), "Update FAILED !"), log.end());
  EXPECT_EQ(log.back(), "Quitting");
}

TEST_F(ProgramTest, RunWithoutLogsExitsOne) {
  const ProcessOutcome o = Run({QStringLiteral("RUN")});
  ASSERT_TRUE(o.finished);
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_EQ(Log().back(), "Quitting");
}

}  // namespace
}  // namespace kestrune::test

namespace kestrune::test {
namespace {

TEST_F(ProgramTest, ReportWordsAndTheirExitStatus) {
  // No log to import and no directory for the report: the failed import decides.
  ProcessOutcome o =
      Run({QStringLiteral("RUN"), QStringLiteral("REPORT=nowhere/r.txt"), QStringLiteral("QUIT")});
  EXPECT_EQ(o.exitCode, 1);
  WriteFile(dir / "ex260301.log",
            "#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes\r\n"
            "2026-03-01 10:00:00 10.0.0.1 GET /a.html 200 100\r\n");
  o = Run({QStringLiteral("RUN"), QStringLiteral("REPORT=nowhere/r.txt"), QStringLiteral("QUIT")});
  EXPECT_EQ(o.exitCode, 2);
  std::filesystem::create_directory(dir / "out");
  std::filesystem::remove(dir / "maintenance-log.txt");
  o = Run({QStringLiteral("REPORT=out/r.html")});  // headless: QUIT comes by itself
  EXPECT_EQ(o.exitCode, 0);
  EXPECT_NE(ReadFile(dir / "out/r.html").find("<"), std::string::npos);
  EXPECT_EQ(Log(), (std::vector<std::string>{"Report saved: out/r.html", "Quitting"}));
}

}  // namespace
}  // namespace kestrune::test

namespace kestrune::test {
namespace {

TEST_F(ProgramTest, ExportWordWritesTheWorkbookAndSetsTheExitStatus) {
  WriteFile(dir / "ex260301.log",
            "#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes\r\n"
            "2026-03-01 10:00:00 10.0.0.1 GET /a.html 200 100\r\n");
  ProcessOutcome o =
      Run({QStringLiteral("RUN"), QStringLiteral("export=out.xlsx"), QStringLiteral("QUIT")});
  EXPECT_EQ(o.exitCode, 0);
  const WorkbookDump book = ReadWorkbook(dir / "out.xlsx");
  ASSERT_EQ(book.status, 0);
  EXPECT_EQ(book.sheets.size(), 10u);
  EXPECT_EQ(book.Sheet("Pages").Value("A2"), "/a.html");
  const std::vector<std::string> log = Log();
  EXPECT_NE(std::find(log.begin(), log.end(), "Workbook saved: out.xlsx"), log.end());
  o = Run({QStringLiteral("EXPORT=nowhere/out.xlsx")});  // headless: QUIT comes by itself
  EXPECT_EQ(o.exitCode, 2);
  EXPECT_FALSE(Exists(dir / "nowhere"));
}

// A log of `lines` requests, each line counted once by an import.
std::string ManyLines(int lines) {
  std::string text = "#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes\r\n";
  for (int i = 0; i < lines; ++i)
    text += "2026-03-01 10:00:00 10.0.0." + std::to_string(i % 200) + " GET /p" +
            std::to_string(i % 500) + ".html 200 100\r\n";
  return text;
}

TEST_F(ProgramTest, RunWhileAnotherProcessHoldsTheDirectoryReadsAndMovesNothing) {
  SettingsStore(dir / "s.reg").RegWriteString(kRootKey, "Move", "Y");
  WriteFile(dir / "ex260301.log", ManyLines(3));
  // flock(1) from util-linux stands for a run that is still going on; it holds the lock
  // itself (--close keeps it from its command) until its command reads the end of input.
  QProcess holder;
  holder.start(
      QStringLiteral("flock"),
      {QStringLiteral("--close"), QStringLiteral("--nonblock"), QString::fromStdString(dir.Path()),
       QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("echo locked; read line")});
  ASSERT_TRUE(holder.waitForReadyRead(10000)) << "flock(1) did not start";
  ASSERT_EQ(holder.readAllStandardOutput().toStdString(), "locked\n");

  const ProcessOutcome blocked = Run({QStringLiteral("RUN"), QStringLiteral("QUIT")});
  holder.closeWriteChannel();
  ASSERT_TRUE(holder.waitForFinished(10000));
  ASSERT_TRUE(blocked.finished);
  EXPECT_EQ(blocked.exitCode, 1);
  const std::vector<std::string> log = Log();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[0], "Scanning for new files");
  EXPECT_EQ(log[1], "Another import is running in " + dir.Path());
  EXPECT_EQ(log[2], "Update FAILED !");
  EXPECT_EQ(log.back(), "Quitting");
  EXPECT_TRUE(Exists(dir / "ex260301.log"));
  EXPECT_FALSE(Exists(dir / "processed"));

  // The holder gone, the next run imports the file.
  const ProcessOutcome after = Run({QStringLiteral("RUN"), QStringLiteral("QUIT")});
  EXPECT_EQ(after.exitCode, 0);
  EXPECT_TRUE(Exists(dir / "processed/ex260301.log"));
}

TEST_F(ProgramTest, TwoRunsStartedTogetherImportEveryFileExactlyOnce) {
  SettingsStore(dir / "s.reg").RegWriteString(kRootKey, "Move", "Y");
  const int kLines = 40000;
  const std::vector<std::string> files = {"ex260301.log", "ex260302.log", "ex260303.log"};
  for (const std::string& name : files) WriteFile(dir / name, ManyLines(kLines));

  // Both start before either ends; whichever comes second is either held off by the
  // lock or finds the files already moved away. Neither reads a file the other read.
  std::vector<std::unique_ptr<QProcess>> runs;
  for (int i = 0; i < 2; ++i) {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("TMPDIR"), QString::fromStdString(dir / "tmp"));
    env.insert(QStringLiteral("KESTRUNE_SETTINGS"), QString::fromStdString(dir / "s.reg"));
    p->setProcessEnvironment(env);
    p->setWorkingDirectory(QString::fromStdString(dir.Path()));
    p->start(QString::fromStdString(program),
             {QStringLiteral("RUN"),
              QStringLiteral("REPORT=report") + QString::number(i) + QStringLiteral(".txt"),
              QStringLiteral("QUIT")});
    runs.push_back(std::move(p));
  }
  std::vector<int> codes;
  for (auto& p : runs) {
    ASSERT_TRUE(p->waitForFinished(60000));
    codes.push_back(p->exitCode());
  }
  std::sort(codes.begin(), codes.end());
  EXPECT_EQ(codes, (std::vector<int>{0, 1}));

  const std::vector<std::string> log = Log();
  for (const std::string& name : files) {
    EXPECT_EQ(std::count(log.begin(), log.end(), "Scanning file " + dir / name + "."), 1) << name;
    EXPECT_TRUE(Exists(dir / ("processed/" + name))) << name;
    EXPECT_FALSE(Exists(dir / name)) << name;
  }
  // The report of the run that imported counts every line once.
  const std::string winner =
      Exists(dir / "report0.txt") &&
              ReadFile(dir / "report0.txt").find("Entries: 0\r\n") == std::string::npos
          ? "report0.txt"
          : "report1.txt";
  const std::string report = ReadFile(dir / winner);
  EXPECT_NE(report.find("\r\nEntries: " + std::to_string(3 * (kLines + 1)) + "\r\n"),
            std::string::npos)
      << report.substr(0, 200);
}

}  // namespace
}  // namespace kestrune::test

namespace kestrune::test {
namespace {

// A day of requests, 2026-03-<day>: visitors 0 to day+2 (their addresses repeat every
// other day, so visits outnumber visitors), each asking for most pages a varying number
// of times; one page has a comma in its name, one is missing.
std::string StoredDay(int day, int* lines) {
  const char* pages[] = {"/index.html", "/news.html", "/shop/list,all.html", "/about.html",
                         "/gone.html"};
  std::string text =
      "#Software: Microsoft Internet Information Server 4.0\r\n"
      "#Fields: date time s-ip c-ip cs-method cs-uri-stem sc-status sc-bytes\r\n";
  char line[256];
  for (int v = 0; v <= day + 2; ++v)
    for (int p = 0; p < 5; ++p) {
      // Not every visitor asks for every page, nor every day for the fourth.
      if ((v * (p + 2) + day) % 5 < 2 || (p == 3 && day % 3 == 2)) continue;
      for (int k = 0; k <= (p * v + day) % 4; ++k) {
        std::snprintf(line, sizeof line,
                      "2026-03-%02d %02d:%02d:%02d 10.0.0.1 10.2.%d.%d GET %s %d %d\r\n", day,
                      8 + v, (p * 11 + k) % 60, day, day % 2, v, pages[p], p == 4 ? 404 : 200,
                      50 * (p + 1) + 7 * k + day);
        text += line;
        ++*lines;
      }
    }
  return text;
}

std::string Share(long hits, long total) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f",
                100.0 * static_cast<double>(hits) / static_cast<double>(total));
  return text;
}

TEST_F(ProgramTest, TableWordWritesThePeriodsPagesOfTheStoredRun) {
  const std::string dsn = "DRIVER={SQLite3};Database=" + (dir / "kestrune.db");
  CreateStorageTables(dsn);
  SettingsStore settings(dir / "s.reg");
  settings.RegWriteString(kRootKey, "AddToDb", "Y");
  settings.RegWriteString(kRootKey, "DSN", dsn);
  int lines = 0;
  for (int day = 1; day <= 7; ++day) {
    char name[32];
    std::snprintf(name, sizeof name, "ex2603%02d.log", day);
    WriteFile(dir / name, StoredDay(day, &lines));
  }
  const ProcessOutcome stored = Run({QStringLiteral("RUN"), QStringLiteral("QUIT")});
  ASSERT_TRUE(stored.finished);
  ASSERT_EQ(stored.exitCode, 0) << stored.err;
  ASSERT_EQ(QueryRows(dsn, "SELECT COUNT(*) FROM tblLogs", 1)[0][0], std::to_string(lines));

  std::filesystem::remove(dir / "maintenance-log.txt");
  const ProcessOutcome o = Run({QStringLiteral("PERIOD=2026-03-02..2026-03-05"),
                                QStringLiteral("TABLE=pages:top.csv"), QStringLiteral("QUIT")});
  ASSERT_TRUE(o.finished);
  EXPECT_EQ(o.exitCode, 0) << o.err;
  // The same table by plain SQL: every page's entries of those four days, most hits first.
  const std::vector<std::vector<std::string>> pages =
      QueryRows(dsn,
                "SELECT P.PageName, COUNT(*) AS n, COUNT(DISTINCT L.Visitor), "
                "COUNT(DISTINCT L.Visitor || ' ' || substr(L.Date, 1, 10)), SUM(L.Bytes), "
                "substr(MIN(L.Date), 1, 10), substr(MAX(L.Date), 1, 10) "
                "FROM tblLogs L JOIN tblPages P ON P.ID = L.Page "
                "WHERE L.Date >= '2026-03-02' AND L.Date < '2026-03-06' "
                "GROUP BY P.PageName ORDER BY n DESC, P.PageName",
                7);
  ASSERT_EQ(pages.size(), 5u);
  long total = 0;
  for (const auto& row : pages) total += std::stol(row[1]);
  std::string expected = "Page,Hits,Share %,Visitors,Visits,Bytes,First date,Last date\r\n";
  for (const auto& row : pages) {
    const std::string& page = row[0];
    expected += page.find(',') == std::string::npos ? page : "\"" + page + "\"";
    expected += "," + row[1] + "," + Share(std::stol(row[1]), total);
    for (int c = 2; c < 7; ++c) expected += "," + row[c];
    expected += "\r\n";
  }
  EXPECT_EQ(ReadFile(dir / "top.csv"), expected);
  EXPECT_NE(expected.find("\r\n\"/shop/list,all.html\","), std::string::npos);
  EXPECT_EQ(Log(), (std::vector<std::string>{"Period: 2026-03-02..2026-03-05",
                                             "Table saved: top.csv (5 rows)", "Quitting"}));

  // A subject the program does not know: no file, a line saying why, exit status 2.
  std::filesystem::remove(dir / "maintenance-log.txt");
  const ProcessOutcome unknown =
      Run({QStringLiteral("TABLE=nothing:x.csv"), QStringLiteral("QUIT")});
  ASSERT_TRUE(unknown.finished);
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_EQ(Log(),
            (std::vector<std::string>{
                "Table not saved: nothing:x.csv (unknown subject \"nothing\")", "Quitting"}));
  EXPECT_FALSE(Exists(dir / "x.csv"));
}

}  // namespace
}  // namespace kestrune::test
