// The set-up command (scripts/setup-database): the tables it creates and the user DSN it
// registers take an import as they are, and other DSNs stay untouched.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "storage_fixture.h"

namespace kestrune::test {
namespace {

std::string Script() {
  return std::string(KESTRUNE_SOURCE_DIR) + "/scripts/setup-database";
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class SetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ini = dir.Write("odbc.ini", "[Other]\nDriver=SQLite3\nDatabase=/nowhere/other.db\n");
    ::setenv("ODBCINI", ini.c_str(), 1);
    env =
        "HOME=" + dir.Path("home") + " XDG_DATA_HOME=" + dir.Path("data") + " ODBCINI=" + ini + " ";
  }
  int Setup(const std::string& args) {
    return std::system((env + "bash " + Script() + " " + args + " >/dev/null").c_str());
  }
  std::string Log() {
    return dir.Write("a.log", IisLog({"2026-03-01 10:00:00 10.0.0.1 1.1.1.1 GET /a 200 1 1 "
                                      "HTTP/1.1",
                                      "2026-03-01 10:00:01 10.0.0.1 1.1.1.2 GET /b 404 1 1 "
                                      "HTTP/1.1"}));
  }

  TempDir dir;
  std::string ini, env;
};

TEST_F(SetupTest, SqliteFileWithItsDsnTakesAnImport) {
  ASSERT_EQ(Setup("sqlite " + dir.Path("db/logs.db") + " KestruneSetupA"), 0);
  const RunResult run = ImportRun("KestruneSetupA", {Log()});
  EXPECT_EQ(run.error, "");
  EXPECT_EQ(run.committed, 1);
  EXPECT_NE(ReadText(ini).find("[Other]\nDriver=SQLite3\nDatabase=/nowhere/other.db"),
            std::string::npos);
}

TEST_F(SetupTest, DefaultMadeOnceAndNeverOverAnExistingDsn) {
  ASSERT_EQ(Setup("default"), 0);
  const std::string file = dir.Path("data") + "/Kestrune/kestrune.db";
  EXPECT_NE(ReadText(ini).find("Database=" + file), std::string::npos);
  EXPECT_EQ(ImportRun("Kestrune", {Log()}).error, "");
  const std::string before = ReadText(ini);
  ASSERT_EQ(Setup("default"), 0);
  EXPECT_EQ(ReadText(ini), before);

  // A "Kestrune" DSN of the user's own is left alone.
  TempDir other;
  const std::string own =
      other.Write("odbc.ini", "[Kestrune]\nDriver=SQLite3\nDatabase=/mine.db\n");
  ASSERT_EQ(std::system(("HOME=" + other.Path("h") + " XDG_DATA_HOME=" + other.Path("d") +
                         " ODBCINI=" + own + " bash " + Script() + " default >/dev/null")
                            .c_str()),
            0);
  EXPECT_EQ(ReadText(own), "[Kestrune]\nDriver=SQLite3\nDatabase=/mine.db\n");
  EXPECT_FALSE(std::filesystem::exists(other.Path("d")));
}

TEST_F(SetupTest, PostgresqlDatabaseWithItsDsnTakesAnImport) {
  TestDatabase db(Kind::PostgreSQL, false);
  const PgServer& server = *db.server();
  ASSERT_EQ(Setup("postgresql 'host=127.0.0.1 port=" + std::to_string(server.port) + " dbname=" +
                  db.name() + " user=kestrune password=" + server.password + "' KestruneSetupP"),
            0);
  // The driver's switches are in the DSN itself.
  EXPECT_NE(ReadText(ini).find("CommLog=0\nDebug=0\nProtocol=7.4-1"), std::string::npos);
  const RunResult run = ImportRun("KestruneSetupP", {Log()});
  EXPECT_EQ(run.error, "");
  EXPECT_EQ(db.Count("tblLogs"), 2);
  EXPECT_EQ(db.Count("tblErrors"), 1);
}

}  // namespace
}  // namespace kestrune::test
