// The built program storing logs into a real database and moving them into "processed"
// when things go wrong around it: killed between a file's commit and its move, killed
// during the copy into a "processed" on another file system, a full "processed", and a
// log that a web server keeps writing while it is read. After each, a normal run leaves
// every line of every log in tblLogs exactly once and every log in "processed" once.
//
// The kills are exact: strace(1) delivers SIGKILL when the program enters one chosen
// rename(2) or unlink(2), picked out by a path filter (-P, which strace 6.1 compares with
// the first path of a rename only), so the process dies at that point and no other. A
// write into a temporary file of a random name is found by support/kill_at_write.cpp,
// preloaded. The file-system cases need root for their tmpfs and are skipped without it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QProcess>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "storage/storage_fixture.h"
#include "support/tmpfs_mount.h"
#include "support/unattended_process.h"

namespace kestrune::test {
namespace {

constexpr const char* kFields =
    "#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes\r\n";

// Request number `n` of the test logs: its number is its byte count, so that each line
// is told apart in tblLogs. The appending writer below writes the same lines.
std::string RequestLine(long n) {
  char line[96];
  std::snprintf(line, sizeof line,
                "2026-03-01 %02ld:%02ld:%02ld 10.0.%ld.%ld GET /p%ld.html 200 %ld\r\n",
                n / 3600 % 24, n / 60 % 60, n % 60, n / 250 % 250, n % 250, n % 100, n);
  return line;
}

std::string Requests(long first, long count) {
  std::string text = kFields;
  for (long n = first; n < first + count; ++n) text += RequestLine(n);
  return text;
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteWhole(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

bool Exists(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

// The data lines of logs as tblLogs holds them: "bytes|page|visitor|date" (dates are of
// whole days), by bytes.
std::vector<std::string> ExpectedRows(const std::vector<std::string>& logs) {
  std::vector<std::pair<long, std::string>> rows;
  for (const std::string& log : logs) {
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
      if (line.empty() || line[0] == '#') continue;
      std::istringstream fields(line);
      std::string date, time, ip, method, page, status, bytes;
      fields >> date >> time >> ip >> method >> page >> status >> bytes;
      rows.emplace_back(std::stol(bytes), bytes + "|" + page + "|" + ip + "|" + date + " 00:00:00");
    }
  }
  std::sort(rows.begin(), rows.end());
  std::vector<std::string> texts;
  for (auto& row : rows) texts.push_back(std::move(row.second));
  return texts;
}

bool StraceInjects() {
  return std::system("strace -qq -o /dev/null -e inject=getpid:error=EPERM true 2>/dev/null") == 0;
}

class CrashTest : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(home.Path("logs"));
    std::filesystem::create_directories(home.Path("job"));
    std::filesystem::create_directories(home.Path("tmp"));
    // A file data-source name: nothing in it needs quoting in the settings file.
    WriteWhole(home.Path("s.reg"),
               "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Vantorel\\Kestrune]\r\n"
               "\"AddToDb\"=\"Y\"\r\n\"DSN\"=\"" +
                   db.Dsn(DsnForm::FileDsn) + "\"\r\n\"Move\"=\"Y\"\r\n");
  }

  std::string Logs() const { return home.Path("logs") + "/"; }
  std::string Mask() const { return "RUN=" + Logs() + "*.log"; }
  std::string Log() const { return ReadWhole(Logs() + "maintenance-log.txt"); }

  // The program as a scheduled job starts it, optionally under strace with `straceArgs`.
  ProcessOutcome Run(const std::vector<std::string>& straceArgs = {},
                     const std::vector<std::pair<const char*, std::string>>& environment = {}) {
    const std::string program = std::string(KESTRUNE_BINARY_DIR) + "/kestrune";
    QStringList args;
    for (const std::string& a : straceArgs) args << QString::fromStdString(a);
    if (!straceArgs.empty()) args << QStringLiteral("--") << QString::fromStdString(program);
    args << QString::fromStdString(Mask()) << QStringLiteral("QUIT");
    return RunUnattended(straceArgs.empty() ? program : "strace", home.Path("job"),
                         home.Path("s.reg"), home.Path("tmp"), args, environment);
  }

  // Runs the program and kills it with SIGKILL as it enters the `when`-th rename(2)
  // whose source is `path`.
  ProcessOutcome RunKilledAtRename(const std::string& path, int when) {
    return Run({"-f", "-qq", "-o", "/dev/null", "-P", path, "-e", "trace=rename", "-e",
                "inject=rename:signal=KILL:when=" + std::to_string(when)});
  }

  std::vector<std::string> StoredRows() {
    return db.Rows(
        "SELECT l.Bytes, p.PageName, v.IP, l.Date FROM tblLogs l JOIN tblPages p ON p.ID = l.Page "
        "JOIN tblVisitors v ON v.ID = l.Visitor ORDER BY l.Bytes",
        "ittd");
  }

  TestDatabase db{GetParam()};
  TempDir home;
};

std::string KindParamName(const ::testing::TestParamInfo<Kind>& info) {
  return KindName(info.param);
}

// --- Killed after the commit, before the move --------------------------------------

TEST_P(CrashTest, KilledBetweenCommitAndMoveTheNextRunMovesWithoutStoringAgain) {
  if (!StraceInjects()) GTEST_SKIP() << "strace cannot inject signals here";
  const std::vector<std::string> names = {"a.log", "b.log", "c.log"};
  std::vector<std::string> contents;
  for (std::size_t i = 0; i < names.size(); ++i) {
    contents.push_back(Requests(static_cast<long>(i) * 1000, 1000));
    WriteWhole(Logs() + names[i], contents.back());
  }
  // The only rename(2) naming logs/b.log is its move into "processed" (same file system,
  // so one call), which comes after b.log's transaction committed. The settings file and
  // the maintenance log are other paths.
  const ProcessOutcome killed = RunKilledAtRename(Logs() + "b.log", 1);
  ASSERT_TRUE(killed.finished);
  EXPECT_EQ(killed.exitCode, -1) << "not killed: " << killed.err;
  ASSERT_TRUE(Exists(Logs() + "b.log"));
  EXPECT_FALSE(Exists(Logs() + "processed/b.log"));
  EXPECT_EQ(db.Rows("SELECT FileName FROM tblFiles WHERE FileName = 'b.log'", "t"),
            std::vector<std::string>{"b.log"});
  EXPECT_EQ(Occurrences(Log(), "Scanning file " + Logs() + "b.log."), 1u);

  const ProcessOutcome again = Run();
  ASSERT_TRUE(again.finished);
  EXPECT_EQ(again.exitCode, 0) << again.err;
  const std::string log = Log();
  EXPECT_EQ(Occurrences(log, Logs() + "b.log is already in the database (stored "), 1u) << log;
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_FALSE(Exists(Logs() + names[i])) << names[i];
    EXPECT_EQ(ReadWhole(Logs() + "processed/" + names[i]), contents[i]) << names[i];
  }
  EXPECT_EQ(db.Count("tblLogs"), 3000);
  EXPECT_EQ(StoredRows(), ExpectedRows(contents));
  EXPECT_EQ(db.Count("tblFiles"), 3);
}

// --- Killed during the move into "processed" on another file system ---------------

struct CopyKill {
  const char* name;
  bool midCopy;  // killed in the copy's second write; else after the copy, before the unlink
};

TEST_P(CrashTest, KilledDuringTheMoveTheNextRunFinishesItAndTheLeftoverIsHarmless) {
  for (const CopyKill c : {CopyKill{"in the copy", true}, CopyKill{"before the unlink", false}}) {
    SCOPED_TRACE(c.name);
    if (!c.midCopy && !StraceInjects()) GTEST_SKIP() << "strace cannot inject signals here";
    TmpfsMount disk(8192);
    if (!disk.Mounted()) GTEST_SKIP() << disk.Reason();
    std::filesystem::remove_all(Logs());
    std::filesystem::create_directories(Logs());
    std::filesystem::create_directory_symlink(disk.Path(), Logs() + "processed");
    db.Execute("DELETE FROM tblLogs");
    db.Execute("DELETE FROM tblFiles");
    // Larger than one chunk of the copy, so that it takes more than one write.
    const long first = c.midCopy ? 0 : 100000;
    const std::string content = Requests(first, 40000);
    ASSERT_GT(content.size(), 2u << 20);
    WriteWhole(Logs() + "a.log", content);
    const std::string target = disk.Path() + "/a.log";

    ProcessOutcome killed;
    if (c.midCopy) {
      // The second write(2) into ".a.log.XXXXXX.part" in "processed": the copy is half
      // done, its temporary file neither flushed nor renamed.
      // Under the address sanitizer the preloaded library comes before its runtime, which
      // the runtime accepts only when told so.
      const char* asan = std::getenv("ASAN_OPTIONS");
      killed =
          Run({}, {{"LD_PRELOAD", KESTRUNE_KILL_AT_WRITE_LIBRARY},
                   {"KESTRUNE_KILL_AT_WRITE", ".a.log.:2"},
                   {"ASAN_OPTIONS", std::string(asan ? asan : "") + ":verify_asan_link_order=0"}});
    } else {
      // The only unlink(2) naming logs/a.log removes it once its copy is in place.
      killed = Run({"-f", "-qq", "-o", "/dev/null", "-P", Logs() + "a.log", "-e", "trace=unlink",
                    "-e", "inject=unlink:signal=KILL:when=1"});
    }
    ASSERT_TRUE(killed.finished);
    EXPECT_EQ(killed.exitCode, -1) << "not killed: " << killed.err;
    ASSERT_EQ(ReadWhole(Logs() + "a.log"), content);
    EXPECT_EQ(db.Count("tblLogs"), 40000);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(disk.Path()))
      names.push_back(entry.path().filename());
    ASSERT_EQ(names.size(), 1u);
    std::string part;
    if (c.midCopy) {
      part = disk.Path() + "/" + names[0];
      EXPECT_EQ(names[0].rfind(".a.log.", 0), 0u) << names[0];
      EXPECT_EQ(names[0].size(), std::string(".a.log.XXXXXX.part").size()) << names[0];
      const std::string copied = ReadWhole(part);
      EXPECT_GT(copied.size(), 0u);
      EXPECT_LT(copied.size(), content.size());
      EXPECT_EQ(content.compare(0, copied.size(), copied), 0);
    } else {
      EXPECT_EQ(ReadWhole(target), content);  // in both places now
    }
    const std::string partBefore = part.empty() ? std::string() : ReadWhole(part);

    const ProcessOutcome again = Run();
    ASSERT_TRUE(again.finished);
    EXPECT_EQ(again.exitCode, 0) << again.err;
    const std::string log = Log();
    EXPECT_EQ(Occurrences(log, Logs() + "a.log is already in the database (stored "), 1u) << log;
    EXPECT_NE(log.find("1 file(s) scanned in "), std::string::npos) << log;
    EXPECT_FALSE(Exists(Logs() + "a.log"));
    EXPECT_EQ(ReadWhole(target), content);
    if (c.midCopy) {
      // A temporary file of a minute ago is no one's to remove yet (only one an hour
      // old is): it is left as it was, and neither read nor counted.
      EXPECT_EQ(ReadWhole(part), partBefore);
      EXPECT_EQ(log.find(names[0]), std::string::npos) << log;
    }
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(disk.Path()))
      ++entries;
    EXPECT_EQ(entries, c.midCopy ? 2u : 1u);
    EXPECT_EQ(StoredRows(), ExpectedRows({content}));
    EXPECT_EQ(db.Count("tblFiles"), 1);
  }
}

// --- A full "processed" ------------------------------------------------------------

TEST_P(CrashTest, AFullProcessedFailsTheRunUntilThereIsRoomAgain) {
  TmpfsMount disk(256);
  if (!disk.Mounted()) GTEST_SKIP() << disk.Reason();
  std::filesystem::create_directory_symlink(disk.Path(), Logs() + "processed");
  // Filled up to the last block.
  {
    std::ofstream filler(disk.Path() + "/filler", std::ios::binary);
    const std::string block(4096, 'x');
    while (filler.write(block.data(), block.size()) && filler.flush()) {
    }
  }
  const std::string content = Requests(0, 2000);
  WriteWhole(Logs() + "a.log", content);

  const ProcessOutcome full = Run();
  ASSERT_TRUE(full.finished);
  EXPECT_EQ(full.exitCode, 1) << full.err;
  const std::string log = Log();
  EXPECT_EQ(Occurrences(log, "Could not move " + Logs() + "a.log to " + Logs() +
                                 "processed/a.log: No space left on device\r\n"),
            1u)
      << log;
  EXPECT_EQ(ReadWhole(Logs() + "a.log"), content);
  EXPECT_EQ(db.Count("tblLogs"), 2000);

  std::filesystem::remove(disk.Path() + "/filler");
  const ProcessOutcome roomy = Run();
  ASSERT_TRUE(roomy.finished);
  EXPECT_EQ(roomy.exitCode, 0) << roomy.err;
  EXPECT_EQ(Occurrences(Log(), Logs() + "a.log is already in the database (stored "), 1u);
  EXPECT_FALSE(Exists(Logs() + "a.log"));
  EXPECT_EQ(ReadWhole(disk.Path() + "/a.log"), content);
  EXPECT_EQ(StoredRows(), ExpectedRows({content}));
  EXPECT_EQ(db.Count("tblFiles"), 1);
}

// --- A log written to while it is read ---------------------------------------------

// A web server's writer: the log it is given ends in the first `cut` bytes of line
// number argv[2]. Once some other process has the log open (the program, which has then
// taken its size), it writes the rest of that line, then whole lines, one write(2) a
// line, every two milliseconds until its input ends. Says "started" first and the
// number of the line it would have written next last.
constexpr const char* kAppender = R"(
import os, select, sys
def line(n):
    return '2026-03-01 %02d:%02d:%02d 10.0.%d.%d GET /p%d.html 200 %d\r\n' % (
        n // 3600 % 24, n // 60 % 60, n % 60, n // 250 % 250, n % 250, n % 100, n)
def opened_elsewhere(path):
    for pid in os.listdir('/proc'):
        if not pid.isdigit() or int(pid) == os.getpid():
            continue
        try:
            for fd in os.listdir('/proc/%s/fd' % pid):
                if os.readlink('/proc/%s/fd/%s' % (pid, fd)) == path:
                    return True
        except OSError:
            pass
    return False
def ended():
    return select.select([sys.stdin], [], [], 0.001)[0]
path, n, cut = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
fd = os.open(path, os.O_WRONLY | os.O_APPEND)
print('started', flush=True)
while not opened_elsewhere(path):
    if ended():
        sys.exit(1)
os.write(fd, line(n)[cut:].encode())
n += 1
while not ended():
    os.write(fd, line(n).encode())
    n += 1
print(n, flush=True)
)";

// The program takes the size of the log when it starts reading it, in the middle of a
// line; the writer goes on meanwhile.
TEST_P(CrashTest, ALogGrowingWhileItIsReadIsLeftInPlaceAndFinishedByTheNextRun) {
  const long kLines = 200000;
  const std::size_t kCut = 40;  // within the page name
  WriteWhole(Logs() + "a.log", Requests(0, kLines) + RequestLine(kLines).substr(0, kCut));
  QProcess writer;
  writer.start(
      QStringLiteral("/usr/bin/python3"),
      {QStringLiteral("-c"), QString::fromLatin1(kAppender),
       QString::fromStdString(Logs() + "a.log"), QString::number(kLines), QString::number(kCut)});
  ASSERT_TRUE(writer.waitForReadyRead(10000)) << "the appending writer did not start";
  ASSERT_EQ(writer.readLine().trimmed().toStdString(), "started");

  const ProcessOutcome first = Run();
  writer.closeWriteChannel();
  ASSERT_TRUE(writer.waitForFinished(10000));
  ASSERT_EQ(writer.exitCode(), 0) << "the program never opened the log";
  const long written = std::stol(writer.readAllStandardOutput().toStdString()) - kLines;
  ASSERT_TRUE(first.finished);
  EXPECT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(Occurrences(Log(), Logs() + "a.log changed while it was read; left in place"), 1u)
      << Log();
  ASSERT_TRUE(Exists(Logs() + "a.log"));
  EXPECT_FALSE(Exists(Logs() + "processed/a.log"));
  const std::string final = ReadWhole(Logs() + "a.log");
  EXPECT_EQ(final, Requests(0, kLines + written));
  // Only the whole lines there at the start: the one cut short is the next run's.
  EXPECT_EQ(db.Count("tblLogs"), kLines);

  const ProcessOutcome second = Run();
  ASSERT_TRUE(second.finished);
  EXPECT_EQ(second.exitCode, 0) << second.err;
  EXPECT_EQ(Occurrences(Log(), Logs() + "a.log grew since it was stored (stored "), 1u) << Log();
  EXPECT_FALSE(Exists(Logs() + "a.log"));
  EXPECT_EQ(ReadWhole(Logs() + "processed/a.log"), final);
  EXPECT_EQ(db.Count("tblLogs"), kLines + written);
  EXPECT_EQ(StoredRows(), ExpectedRows({final}));
}

INSTANTIATE_TEST_SUITE_P(Databases, CrashTest, ::testing::Values(Kind::SQLite, Kind::PostgreSQL),
                         KindParamName);

}  // namespace
}  // namespace kestrune::test
