// A web farm's nightly jobs: three processes of the real program, each importing its own
// server's logs (`RUN=<folder>/*.log QUIT`, its own settings), started together into one
// database, must leave the six tables as the same logs imported one process after the
// other. The servers' logs share visitors, pages, errors and downloads, so the instances
// contend for the same keyed rows and counts. Every log holds one day, the servers have
// the same days, and what the servers share is the same on each of them, so the order in
// which the files of different servers come to the database cannot change the rows
// (dates are stored as whole days). IDs do depend on it: the tables are compared by
// their keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <memory>
#include <random>

#include "program_process.h"
#include "storage_fixture.h"

namespace kestrune::test {
namespace {

constexpr int kServers = 3;
constexpr int kDays = 4;
constexpr int kSharedVisitors = 200;  // on every server every day
constexpr int kOwnVisitors = 600;     // each server's own, on some of the days

std::string Day(int day) {
  return "2026-12-0" + std::to_string(day + 1);
}

// One data line: "date time s-ip c-ip method page status bytes time-taken version".
std::string Line(int day, const std::string& visitor, const std::string& method,
                 const std::string& page, int status, int bytes) {
  return Day(day) + " 00:00:00 192.168.1.10 " + visitor + " " + method + " " + page + " " +
         std::to_string(status) + " " + std::to_string(bytes) + " " + std::to_string(bytes % 97) +
         (bytes % 5 ? " HTTP/1.1" : " HTTP/1.0");
}

// The log of `server` for `day`. What every server has that day comes first in a list of
// its own (the same on each server); the server's own lines use its own visitors, error
// pages and downloads, and the shared pages. The lines are shuffled together and given
// rising times.
std::string ServerLog(int server, int day) {
  std::vector<std::string> lines;
  for (int k = 0; k < kSharedVisitors; ++k) {
    const std::string visitor = "10.0.0." + std::to_string(k);
    for (int r = 0; r < 10; ++r) {
      std::string page = "/p" + std::to_string((k * 7 + r * 3 + day) % 300) + ".html";
      int status = (k + r + day) % 13 == 0 ? 404 : (k * r + day) % 29 == 0 ? 500 : 200;
      if (r == 2 && k % 3 == 0) page = "/files/f" + std::to_string((k + day) % 7) + ".zip";
      if (r == 0 && k % 25 == 0) page = "/robots.txt";
      const std::string method = r == 9 ? "HEAD" : (k + r) % 17 == 0 ? "POST" : "GET";
      lines.push_back(Line(day, visitor, method, page, status, k * 31 + r * 7 + day));
    }
  }
  const std::string own = "/web" + std::to_string(server);
  for (int u = 0; u < kOwnVisitors; ++u) {
    if ((u + day + server) % 3 == 0) continue;
    const std::string visitor = "10." + std::to_string(server + 1) + "." + std::to_string(u / 250) +
                                "." + std::to_string(u % 250);
    for (int r = 0; r < 1 + (u + day) % 8; ++r) {
      std::string page = r % 2 == 0 ? "/p" + std::to_string((u * 11 + r + day) % 300) + ".html"
                                    : own + "/q" + std::to_string((u + r * 5) % 400) + ".html";
      int status = 200;
      if ((u + r + day) % 11 == 0) {
        page = own + "/gone" + std::to_string((u + r) % 50) + ".html";
        status = 404;
      } else if ((u + r) % 9 == 0) {
        page = own + "/get" + std::to_string((u + day) % 20) + ".zip";
      }
      lines.push_back(Line(day, visitor, "GET", page, status, u * 13 + r + server));
    }
  }
  std::mt19937 random(static_cast<unsigned>(server * 100 + day));
  std::shuffle(lines.begin(), lines.end(), random);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const unsigned second = static_cast<unsigned>(i * 86399 / lines.size());
    char time[16];
    std::snprintf(time, sizeof time, "%02u:%02u:%02u", second / 3600 % 24, second / 60 % 60,
                  second % 60);
    lines[i].replace(11, 8, time);
  }
  return "#Remark: web" + std::to_string(server) + "\r\n" + IisLog(lines);
}

// Every row of the six tables without its ID, the IDs of tblLogs replaced by the keys
// they refer to; each table's rows sorted.
std::vector<std::string> Content(TestDatabase& db) {
  struct Table {
    const char* name;
    const char* select;
    const char* types;
  };
  static const Table kTables[] = {
      {"tblLogs",
       "SELECT COALESCE(p.PageName, '?'), l.Referrer, l.SiteIP, COALESCE(v.Visitor, '?'), l.Date, "
       "l.GET, l.HEAD, l.Bytes, l.Statuscode, l.TimeTaken, l.HTTPVersion, l.Port FROM tblLogs l "
       "LEFT JOIN tblPages p ON p.ID = l.Page LEFT JOIN tblVisitors v ON v.ID = l.Visitor",
       "tittdbbiiiti"},
      {"tblVisitors",
       "SELECT Visitor, IP, SE, Last, Count, SessionDownloaded, Downloaded FROM tblVisitors",
       "ttbdibb"},
      {"tblPages", "SELECT PageName, SiteIP FROM tblPages", "tt"},
      {"tblRefs", "SELECT Host, URL, SiteIP, Count, Last FROM tblRefs", "tttid"},
      {"tblDownloads", "SELECT FileName, SiteIP, Count, Last FROM tblDownloads", "ttid"},
      {"tblErrors", "SELECT Error, PageName, SiteIP, ReferringURL, Count, Last FROM tblErrors",
       "itttid"},
  };
  std::vector<std::string> all;
  for (const Table& table : kTables) {
    std::vector<std::string> rows = db.Rows(table.select, table.types);
    std::sort(rows.begin(), rows.end());
    for (const std::string& row : rows) all.push_back(std::string(table.name) + ": " + row);
  }
  return all;
}

// The tables' differences, for a failure message: at most a few rows each way.
std::string Difference(std::vector<std::string> got, std::vector<std::string> want) {
  std::sort(got.begin(), got.end());
  std::sort(want.begin(), want.end());
  std::vector<std::string> extra, missing;
  std::set_difference(got.begin(), got.end(), want.begin(), want.end(), std::back_inserter(extra));
  std::set_difference(want.begin(), want.end(), got.begin(), got.end(),
                      std::back_inserter(missing));
  std::string text = std::to_string(extra.size()) + " rows more, " +
                     std::to_string(missing.size()) + " rows fewer\n";
  for (std::size_t i = 0; i < extra.size() && i < 10; ++i) text += "+ " + extra[i] + "\n";
  for (std::size_t i = 0; i < missing.size() && i < 10; ++i) text += "- " + missing[i] + "\n";
  return text;
}

class FarmProcessTest : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(dir.Path("tmp"));
    for (int s = 0; s < kServers; ++s) {
      const std::string folder = Folder(s);
      std::filesystem::create_directory(folder);
      for (int d = 0; d < kDays; ++d) {
        const std::string log = ServerLog(s, d);
        dir.Write("web" + std::to_string(s) + "/ex26120" + std::to_string(d + 1) + ".log", log);
        lines += static_cast<std::int64_t>(std::count(log.begin(), log.end(), '\n')) - 4;
      }
    }
  }
  std::string Folder(int server) const { return dir.Path("web" + std::to_string(server)); }
  std::string Settings(int server) const {
    return dir.Path("web" + std::to_string(server) + ".reg");
  }
  // Each server's settings: IIS logs, stored through `dsn`, ZIP files downloads.
  void WriteSettings(const std::string& dsn) {
    for (int s = 0; s < kServers; ++s) {
      std::filesystem::remove(Folder(s) + "/maintenance-log.txt");
      dir.Write("web" + std::to_string(s) + ".reg",
                "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Vantorel\\Kestrune]\r\n"
                "\"IIS\"=\"Y\"\r\n\"UNIX\"=\"N\"\r\n\"AddToDb\"=\"Y\"\r\n\"DSN\"=\"" +
                    dsn +
                    "\"\r\n\"DownloadExtFlag\"=\"Y\"\r\n\r\n"
                    "[HKEY_CURRENT_USER\\Software\\Vantorel\\Kestrune\\DownloadExt]\r\n"
                    "\"ZIP\"=\"\"\r\n");
    }
  }
  std::unique_ptr<ProgramProcess> Start(int server) {
    ProgramSetup setup;
    setup.workDir = dir.Path("");
    setup.settings = Settings(server);
    setup.tmp = dir.Path("tmp");
    return std::make_unique<ProgramProcess>(
        setup, std::vector<std::string>{"RUN=" + Folder(server) + "/*.log", "QUIT"});
  }
  // The process of `server` ended: exit status 0, every log scanned, the import completed.
  void ExpectCompleted(int server, ProgramProcess& process) {
    const int status = process.Wait();
    EXPECT_EQ(status, 0) << "web" << server << "\n" << process.Output();
    const std::vector<std::string> log = MaintenanceLog(Folder(server) + "/maintenance-log.txt");
    for (int d = 0; d < kDays; ++d) {
      const std::string scanning =
          "Scanning file " + Folder(server) + "/ex26120" + std::to_string(d + 1) + ".log.";
      EXPECT_EQ(std::count(log.begin(), log.end(), scanning), 1) << scanning;
    }
    const auto last = std::find_if(log.rbegin(), log.rend(), [](const std::string& line) {
      return line.rfind("Update ", 0) == 0;
    });
    ASSERT_NE(last, log.rend()) << "web" << server << ": no end of the import in the log";
    EXPECT_EQ(*last, "Update completed.") << "web" << server;
    EXPECT_EQ(std::count(log.begin(), log.end(), "Update FAILED !"), 0) << "web" << server;
  }

  TempDir dir;
  std::int64_t lines = 0;  // data lines of all logs
};

TEST_P(FarmProcessTest, InstancesStartedTogetherStoreAsOneAfterTheOther) {
  TestDatabase together(GetParam());
  WriteSettings(together.Dsn());
  std::vector<std::unique_ptr<ProgramProcess>> runs;
  for (int s = 0; s < kServers; ++s) runs.push_back(Start(s));
  // All three are under way at once (the program alone takes longer than this to start).
  for (auto& run : runs) EXPECT_TRUE(run->Running()) << "an instance ended before the last began";
  for (int s = 0; s < kServers; ++s) ExpectCompleted(s, *runs[s]);
  runs.clear();
  if (HasFailure()) return;

  TestDatabase oneByOne(GetParam());
  WriteSettings(oneByOne.Dsn());
  for (int s = 0; s < kServers; ++s) ExpectCompleted(s, *Start(s));
  if (HasFailure()) return;

  const std::vector<std::string> want = Content(oneByOne);
  const std::vector<std::string> got = Content(together);
  EXPECT_TRUE(got == want) << Difference(got, want);
  // Every entry once, each counted in the one referrer row that the import gives them.
  EXPECT_EQ(together.Count("tblLogs"), lines);
  EXPECT_EQ(together.Rows("SELECT URL, Count FROM tblRefs", "ti"),
            (std::vector<std::string>{"(unknown)|" + std::to_string(lines)}));
  EXPECT_EQ(together.Count("tblVisitors"), kSharedVisitors + kServers * kOwnVisitors);
}

INSTANTIATE_TEST_SUITE_P(Engines, FarmProcessTest,
                         ::testing::Values(Kind::SQLite, Kind::PostgreSQL),
                         [](const auto& info) { return KindName(info.param); });

}  // namespace
}  // namespace kestrune::test
