// Storage into PostgreSQL under the locales that cron, systemd units and containers run
// with: each locale in a process of its own (this test binary run again with LC_ALL
// set), storing texts beyond ASCII, valid UTF-8 or not, reading them back in a second
// run, and showing a driver message that quotes one. The tables must come out the same
// under C, POSIX, C.UTF-8 and a Latin-1 locale, by the repair rule. Then the program
// itself, `RUN=<mask> QUIT`, under C, POSIX, no locale variables at all and Latin-1.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <langinfo.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "logfiles/log_readers.h"
#include "program_process.h"
#include "storage/file_record.h"
#include "storage_fixture.h"
#include "util/sha256.h"
#include "util/text.h"

extern char** environ;

namespace kestrune::test {
namespace {

constexpr const char* kChildDsn = "KESTRUNE_LOCALE_CHILD_DSN";
constexpr const char* kChildDir = "KESTRUNE_LOCALE_CHILD_DIR";
constexpr const char* kChildCodeset = "KESTRUNE_LOCALE_CHILD_CODESET";

const std::vector<std::string> kFirstDay = {
    "2026-03-01 10:00:00 10.0.0.1 1.1.1.1 GET /caf\xC3\xA9.html 200 10 1 HTTP/1.1",
    "2026-03-01 10:00:01 10.0.0.1 1.1.1.1 GET /caf\xE9.html 404 10 1 HTTP/1.1",
    "2026-03-01 10:00:02 10.0.0.1 h\xF4te GET /\xE2\x82\xAC/\xF0\x9F\x98\x80.txt 404 10 1 "
    "HTTP/1.1",
};
const std::vector<std::string> kSecondDay = {
    "2026-03-02 09:00:00 10.0.0.1 1.1.1.1 GET /caf\xE9.html 404 10 1 HTTP/1.1",
    "2026-03-02 09:00:01 10.0.0.1 h\xF4te GET /\xE2\x82\xAC/\xF0\x9F\x98\x80.txt 404 10 1 "
    "HTTP/1.1",
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// One file stored as the import run stores it, with its row in the record.
void StoreFile(const std::string& dsn, const std::string& path, const std::string& name) {
  clsImportStats stats;
  NullReaderHost host;
  Database database([](const std::string&) {});
  database.Open(dsn, stats);
  ASSERT_NE(database.Files(), nullptr);
  database.StartTransaction();
  const std::string content = ReadFile(path);
  ASSERT_EQ(database.Files()->FindContent(static_cast<std::int64_t>(content.size()),
                                          Sha256::HexOf(content)),
            std::nullopt);
  ReaderContext context{stats, host, database.Store()};
  StoredFile row;
  row.Lines = ScanIISFile(path, true, context);
  row.FileName = name;
  row.Size = static_cast<std::int64_t>(content.size());
  row.SHA256 = Sha256::HexOf(content);
  database.Files()->Insert(row);
  database.Commit();
  EXPECT_EQ(database.Files()->FindByName(name).size(), 1u);
  database.Close();
}

// The part that runs in the child process, under the locale of its environment.
TEST(LocaleChildTest, StoresAndReadsBackUnderTheLocaleOfItsEnvironment) {
  const char* dsn = std::getenv(kChildDsn);
  if (dsn == nullptr) GTEST_SKIP() << "run by LocaleTest in a process of its own";
  InitLocaleFromEnvironment();
  ASSERT_STREQ(nl_langinfo(CODESET), std::getenv(kChildCodeset));
  const std::string dir = std::getenv(kChildDir);
  std::ofstream(dir + "/day1.log", std::ios::binary) << IisLog(kFirstDay);
  std::ofstream(dir + "/day2.log", std::ios::binary) << IisLog(kSecondDay);
  StoreFile(dsn, dir + "/day1.log", "caf\xC3\xA9-1.log");
  StoreFile(dsn, dir + "/day2.log", "caf\xE9-2.log");

  // A driver message that quotes a text comes whole.
  odbc::Environment env;
  odbc::Connection connection(env);
  connection.Connect(Database::ConnectionString(dsn));
  connection.SetTextMode(odbc::TextMode::Utf16);
  odbc::Statement statement(connection);
  statement.Prepare("SELECT CAST(? AS INTEGER)", {odbc::ParamType::Text});
  statement.SetText(0, "caf\xC3\xA9");
  try {
    statement.Execute();
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("\"caf\xC3\xA9\""), std::string::npos) << e.what();
  }
}

struct LocaleCase {
  std::string locale, codeset;
  DsnForm form;
  std::string extra;  // appended to a driver string
};

// Runs this binary's child test with `locale`; its exit status, its output in `output`.
int RunChild(const LocaleCase& c, const std::string& locpath, const std::string& dsn,
             const std::string& dir, std::string& output) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    if (entry.rfind("LC_", 0) == 0 || entry.rfind("LANG=", 0) == 0 ||
        entry.rfind("LOCPATH=", 0) == 0 || entry.rfind("ASAN_OPTIONS=", 0) == 0)
      continue;
    env.push_back(entry);
  }
  // The C library keeps the locale search path it builds for LOCPATH until the process
  // ends, which the leak checker of a sanitizer build would count against the child.
  env.push_back("ASAN_OPTIONS=detect_leaks=0");
  env.push_back("LC_ALL=" + c.locale);
  if (!locpath.empty()) env.push_back("LOCPATH=" + locpath);
  env.push_back(std::string(kChildDsn) + "=" + dsn);
  env.push_back(std::string(kChildDir) + "=" + dir);
  env.push_back(std::string(kChildCodeset) + "=" + c.codeset);
  std::vector<char*> envp;
  for (std::string& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);

  const std::string log = dir + "/child.txt";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::string self = "/proc/self/exe";
  std::string filter = "--gtest_filter=LocaleChildTest.*";
  char* argv[] = {self.data(), filter.data(), nullptr};
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  ::waitpid(pid, &status, 0);
  output = ReadFile(log);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

const std::string kLatin1 = "fr_FR.ISO-8859-1";

// Makes the Latin-1 locale kLatin1 in `locales` (for LOCPATH); whether it could.
bool MakeLatin1Locale(const TempDir& locales) {
  return std::system(
             ("localedef -i fr_FR -f ISO-8859-1 " + locales.Path(kLatin1) + " >/dev/null 2>&1")
                 .c_str()) == 0;
}

TEST(LocaleTest, PostgresqlTablesTheSameUnderEveryLocale) {
  TempDir locales;
  const std::string& latin1 = kLatin1;
  const bool haveLatin1 = MakeLatin1Locale(locales);
  const std::vector<LocaleCase> cases = {
      {"C", "ANSI_X3.4-1968", DsnForm::Driver, ""},
      {"POSIX", "ANSI_X3.4-1968", DsnForm::FileDsn, ""},
      {"C.UTF-8", "UTF-8", DsnForm::DsnName, ""},
      // A connection string beyond ASCII takes the other way to a wide connection.
      {latin1, "ISO-8859-1", DsnForm::Driver, ";Description=caf\xC3\xA9"},
  };
  std::vector<std::string> first;
  for (const LocaleCase& c : cases) {
    if (c.locale == latin1 && !haveLatin1) {
      std::cout << "[ SKIPPED  ] " << latin1 << ": localedef could not make it\n";
      continue;
    }
    TestDatabase db(Kind::PostgreSQL);
    const std::string dsn = db.Dsn(c.form) + c.extra;
    std::string output;
    const int status =
        RunChild(c, c.locale == latin1 ? locales.Path("") : "", dsn, db.dir().Path(""), output);
    EXPECT_EQ(status, 0) << "LC_ALL=" << c.locale << "\n" << output;
    const std::vector<std::string> dump = db.Dump();
    if (first.empty()) {
      first = dump;
      // Both spellings of "café" are one page; the Latin-1 visitor reads as "hôte".
      EXPECT_EQ(
          db.Rows("SELECT PageName FROM tblPages ORDER BY ID", "t"),
          (std::vector<std::string>{"/caf\xC3\xA9.html", "/\xE2\x82\xAC/\xF0\x9F\x98\x80.txt"}));
      EXPECT_EQ(db.Rows("SELECT Visitor, Count FROM tblVisitors ORDER BY ID", "ti"),
                (std::vector<std::string>{"1.1.1.1|2", "h\xC3\xB4te|2"}));
      EXPECT_EQ(db.Rows("SELECT PageName, Count FROM tblErrors ORDER BY ID", "ti"),
                (std::vector<std::string>{"/caf\xC3\xA9.html|2",
                                          "/\xE2\x82\xAC/\xF0\x9F\x98\x80.txt|2"}));
    } else {
      EXPECT_EQ(dump, first) << "LC_ALL=" << c.locale;
    }
    EXPECT_EQ(db.Rows("SELECT FileName, Lines FROM tblFiles ORDER BY ID", "ti"),
              (std::vector<std::string>{"caf\xC3\xA9-1.log|6", "caf\xC3\xA9-2.log|5"}))
        << "LC_ALL=" << c.locale;
  }
}

// The bytes of a text as lower-case hexadecimal, as PostgreSQL's encode(..., 'hex').
std::string Hex(const std::string& text) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const unsigned char c : text) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

// A PostgreSQL text column as the server holds it (UTF-8 bytes, in hexadecimal), so that
// no conversion on the way back can hide what was stored.
std::string StoredHex(const std::string& column) {
  return "encode(convert_to(" + column + ", 'UTF8'), 'hex')";
}

TEST(LocaleTest, ProgramStoresByTheRuleUnderTheLocaleOfItsEnvironment) {
  TempDir locales;
  const bool haveLatin1 = MakeLatin1Locale(locales);
  const struct {
    std::string name;
    std::vector<std::string> env;
  } cases[] = {
      {"LC_ALL=C", {"LC_ALL=C"}},
      {"no LANG, no LC_*", {}},
      {"LC_ALL=POSIX", {"LC_ALL=POSIX"}},
      {"LC_ALL=" + kLatin1, {"LC_ALL=" + kLatin1, "LOCPATH=" + locales.Path("")}},
  };
  const std::string cafe = "/caf\xC3\xA9.html", emoji = "/\xE2\x82\xAC/\xF0\x9F\x98\x80.txt";
  std::vector<std::string> first;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.name.find(kLatin1) != std::string::npos && !haveLatin1) {
      std::cout << "[ SKIPPED  ] " << kLatin1 << ": localedef could not make it\n";
      continue;
    }
    TestDatabase db(Kind::PostgreSQL);
    const TempDir work;
    std::filesystem::create_directory(work.Path("logs"));
    std::filesystem::create_directory(work.Path("tmp"));
    work.Write("logs/ex260301.log", IisLog(kFirstDay));
    work.Write("logs/ex260302.log", IisLog(kSecondDay));
    const std::string settings =
        work.Write("s.reg",
                   "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Vantorel\\Kestrune]\r\n"
                   "\"IIS\"=\"Y\"\r\n\"AddToDb\"=\"Y\"\r\n\"DSN\"=\"" +
                       db.Dsn() + "\"\r\n");
    ProgramSetup setup{work.Path(""), settings, work.Path("tmp"), c.env, true};
    setup.env.push_back("ASAN_OPTIONS=detect_leaks=0");  // the C library's LOCPATH list
    ProgramProcess program(setup, {"RUN=" + work.Path("logs") + "/*.log", "QUIT"});
    ASSERT_EQ(program.Wait(), 0) << program.Output();
    const std::vector<std::string> log = MaintenanceLog(work.Path("logs/maintenance-log.txt"));
    EXPECT_NE(std::find(log.begin(), log.end(), "Update completed."), log.end());

    // Both spellings of "café" are one page, the Latin-1 visitor "hôte", UTF-8 as it was.
    EXPECT_EQ(db.Rows("SELECT " + StoredHex("PageName") + " FROM tblPages ORDER BY ID", "t"),
              (std::vector<std::string>{Hex(cafe), Hex(emoji)}));
    EXPECT_EQ(db.Rows("SELECT " + StoredHex("Visitor") + ", " + StoredHex("IP") +
                          ", Count FROM tblVisitors ORDER BY ID",
                      "tti"),
              (std::vector<std::string>{Hex("1.1.1.1") + "|" + Hex("1.1.1.1") + "|2",
                                        Hex("h\xC3\xB4te") + "|" + Hex("h\xC3\xB4te") + "|2"}));
    EXPECT_EQ(
        db.Rows("SELECT " + StoredHex("PageName") + ", Count FROM tblErrors ORDER BY ID", "ti"),
        (std::vector<std::string>{Hex(cafe) + "|2", Hex(emoji) + "|2"}));
    const std::vector<std::string> dump = db.Dump();
    if (first.empty())
      first = dump;
    else
      EXPECT_EQ(dump, first);
  }
}

}  // namespace
}  // namespace kestrune::test
