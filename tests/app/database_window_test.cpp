// "Add to database" through the real window into a real SQLite file: the tables filled
// and the files moved on success; the error box, "Update FAILED !", the rolled-back file
// left out of processed and the window unlocked when the database refuses a row.
#include <stdlib.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <fstream>
#include <sstream>

#include "app/qt_text.h"
#include "storage/odbc.h"
#include "window_fixture.h"

namespace kestrune::test {
namespace {

// Requests of one day, bytes 1..count (or the given bytes).
std::string Log(const std::string& day, const std::vector<int>& bytes) {
  std::string text =
      "#Software: Microsoft Internet Information Server 4.0\r\n"
      "#Fields: date time s-ip c-ip cs-method cs-uri-stem sc-status sc-bytes\r\n";
  for (std::size_t i = 0; i < bytes.size(); ++i)
    text += day + " 10:00:00 10.0.0.1 1.1.1." + std::to_string(i % 3) + " GET /p" +
            std::to_string(i % 4) + ".html 200 " + std::to_string(bytes[i]) + "\r\n";
  return text;
}

std::vector<int> Bytes(int count, int bad = -1) {
  std::vector<int> out;
  for (int i = 1; i <= count; ++i) out.push_back(i == bad ? 666 : i);
  return out;
}

class DatabaseWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    logs = dir / "logs/";
    database = dir / "kestrune.db";
    dsn = "DRIVER={SQLite3};Database=" + database;
    std::ifstream in(std::string(KESTRUNE_SOURCE_DIR) + "/data/schema/sqlite.sql");
    std::stringstream text;
    for (std::string line; std::getline(in, line);)
      if (line.rfind("--", 0) != 0) text << line << "\n";
    for (std::string sql; std::getline(text, sql, ';');)
      if (sql.find_first_not_of(" \n") != std::string::npos) Execute(sql);
    // The database refuses a row of 666 bytes.
    Execute(
        "CREATE TRIGGER no666 BEFORE INSERT ON tblLogs WHEN NEW.Bytes = 666 "
        "BEGIN SELECT RAISE(ABORT, 'bytes 666 refused'); END");
  }
  void Execute(const std::string& sql) {
    odbc::Environment env;
    odbc::Connection connection(env);
    connection.Connect(dsn);
    odbc::Statement statement(connection);
    statement.ExecuteDirect(sql);
  }
  std::int64_t Count(const std::string& table) {
    odbc::Environment env;
    odbc::Connection connection(env);
    connection.Connect(dsn);
    odbc::Statement statement(connection);
    statement.ExecuteDirect("SELECT COUNT(*) FROM " + table);
    return statement.Fetch() ? statement.GetInteger(0) : -1;
  }
  void Import() {
    Show();
    Find<QCheckBox>("cbMoveToProcessed")->setChecked(true);
    Find<QCheckBox>("cbAddToDb")->setChecked(true);
    Find<QLineEdit>("ebDSN")->setText(ToQString(dsn));
    Find<QComboBox>("cbPath")->setEditText(ToQString(logs + "*.log"));
    Find<QPushButton>("btnImport")->click();
  }
  std::string Completion() {
    const std::vector<std::string> log = LogMessages(logs + "maintenance-log.txt");
    for (auto it = log.rbegin(); it != log.rend(); ++it)
      if (*it == "Update completed." || *it == "Update FAILED !") return *it;
    return "";
  }
  bool Unlocked() {
    return Find<QWidget>("btnImport")->isEnabled() && Find<QWidget>("pgSettings")->isEnabled() &&
           QApplication::overrideCursor() == nullptr;
  }

  std::string logs, database, dsn;
};

TEST_F(DatabaseWindowTest, StoresEveryFileAndMovesItIntoProcessed) {
  WriteFile(logs + "ex260301.log", Log("2026-03-01", Bytes(40)));
  WriteFile(logs + "ex260302.log", Log("2026-03-02", Bytes(25)));
  Import();
  ASSERT_EQ(dialogs.Boxes().size(), 1u);  // the completion message only
  EXPECT_EQ(dialogs.Boxes()[0].text.rfind("Update completed.\r\n", 0), 0u);
  EXPECT_EQ(Completion(), "Update completed.");
  EXPECT_EQ(Count("tblLogs"), 65);
  EXPECT_EQ(Count("tblVisitors"), 3);
  EXPECT_EQ(Count("tblPages"), 4);
  EXPECT_TRUE(Exists(logs + "processed/ex260301.log"));
  EXPECT_TRUE(Exists(logs + "processed/ex260302.log"));
  EXPECT_EQ(StatusText().rfind("Update completed. (", 0), 0u) << StatusText();
  EXPECT_TRUE(Unlocked());
}

TEST_F(DatabaseWindowTest, RefusedRowRollsTheFileBackAndFailsTheRun) {
  WriteFile(logs + "ex260301.log", Log("2026-03-01", Bytes(40)));
  WriteFile(logs + "ex260302.log", Log("2026-03-02", Bytes(300, 250)));
  WriteFile(logs + "ex260303.log", Log("2026-03-03", Bytes(5)));
  dialogs.boxAnswers.push_back(DialogButton::Ok);
  Import();
  ASSERT_EQ(dialogs.Boxes().size(), 2u);  // the error, then the completion message
  EXPECT_EQ(dialogs.Boxes()[1].text.rfind("Update FAILED !\r\n", 0), 0u);
  const std::string box = dialogs.Boxes()[0].text;
  EXPECT_EQ(box.rfind("Exception:\r\n", 0), 0u) << box;
  EXPECT_NE(box.find("bytes 666 refused"), std::string::npos) << box;
  EXPECT_EQ(dialogs.Boxes()[0].caption, "Error");
  EXPECT_EQ(Completion(), "Update FAILED !");
  EXPECT_EQ(Count("tblLogs"), 40);  // the first file only
  EXPECT_TRUE(Exists(logs + "processed/ex260301.log"));
  EXPECT_TRUE(Exists(logs + "invalid/ex260302.log"));
  EXPECT_FALSE(Exists(logs + "processed/ex260302.log"));
  EXPECT_TRUE(Exists(logs + "ex260303.log"));  // the run ended before it
  EXPECT_TRUE(Unlocked());
}

TEST_F(DatabaseWindowTest, CancelLeavesTheFailedFileInPlace) {
  WriteFile(logs + "ex260302.log", Log("2026-03-02", Bytes(10, 3)));
  dialogs.boxAnswers.push_back(DialogButton::Cancel);
  Import();
  ASSERT_EQ(dialogs.Boxes().size(), 2u);  // the error, then the completion message
  EXPECT_EQ(dialogs.Boxes()[1].text.rfind("Update FAILED !\r\n", 0), 0u);
  EXPECT_EQ(Completion(), "Update FAILED !");
  EXPECT_EQ(Count("tblLogs"), 0);
  EXPECT_TRUE(Exists(logs + "ex260302.log"));
  EXPECT_FALSE(Exists(logs + "invalid/ex260302.log"));
  EXPECT_TRUE(Unlocked());
}

TEST_F(DatabaseWindowTest, MissingTableEndsTheRunBeforeAnyFile) {
  Execute("DROP TABLE tblRefs");
  WriteFile(logs + "ex260301.log", Log("2026-03-01", Bytes(4)));
  Import();
  ASSERT_EQ(dialogs.Boxes().size(), 2u);  // the error, then the completion message
  EXPECT_EQ(dialogs.Boxes()[1].text.rfind("Update FAILED !\r\n", 0), 0u);
  EXPECT_NE(dialogs.Boxes()[0].text.find("tblRefs"), std::string::npos) << dialogs.Boxes()[0].text;
  EXPECT_EQ(Completion(), "Update FAILED !");
  EXPECT_TRUE(Exists(logs + "ex260301.log"));
  EXPECT_EQ(window->Stats().Entries, 0u);
  EXPECT_TRUE(Unlocked());
}

// A throwaway PostgreSQL server of scripts/test-postgres, with the six tables in its
// database "kestrune"; removed at the end.
class PgServerDir {
 public:
  PgServerDir() {
    char pattern[] = "/tmp/kestrune-pgwin-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) std::abort();
    dir_ = pattern;
    Start();
  }
  ~PgServerDir() { std::system((Script() + " destroy " + dir_ + " >/dev/null 2>&1").c_str()); }
  void Start() {
    EXPECT_EQ(std::system((Script() + " start " + dir_ + " >/dev/null").c_str()), 0);
    dsn_ = "DRIVER={PostgreSQL Unicode};Servername=127.0.0.1;Port=" + Read("port") +
           ";Database=kestrune;Username=kestrune;Password=" + Read("password");
  }
  void Stop() { EXPECT_EQ(std::system((Script() + " stop " + dir_).c_str()), 0); }
  const std::string& Dsn() const { return dsn_; }

 private:
  static std::string Script() {
    return std::string(KESTRUNE_SOURCE_DIR) + "/scripts/test-postgres";
  }
  std::string Read(const std::string& name) {
    std::string text = ReadFile(dir_ + "/" + name);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
  }
  std::string dir_, dsn_;
};

TEST_F(DatabaseWindowTest, PostgresqlServerStoppedMidFile) {
  PgServerDir server;
  dsn = server.Dsn();
  {
    std::ifstream in(std::string(KESTRUNE_SOURCE_DIR) + "/data/schema/postgresql.sql");
    std::stringstream text;
    for (std::string line; std::getline(in, line);)
      if (line.rfind("--", 0) != 0) text << line << "\n";
    for (std::string sql; std::getline(text, sql, ';');)
      if (sql.find_first_not_of(" \n") != std::string::npos) Execute(sql);
  }
  WriteFile(logs + "ex260301.log", Log("2026-03-01", Bytes(3000)));
  // Once the reader has started on the file, the server goes away.
  bool stopped = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (stopped || !window) return;
    const QLabel* status = window->findChild<QLabel*>(QStringLiteral("pnStatus"));
    if (status && status->text().startsWith(QStringLiteral("Importing IIS file"))) {
      stopped = true;
      server.Stop();
    }
  });
  watch.start(0);
  dialogs.boxAnswers.push_back(DialogButton::Ok);
  Import();
  watch.stop();
  ASSERT_TRUE(stopped);
  ASSERT_EQ(dialogs.Boxes().size(), 2u);
  EXPECT_EQ(dialogs.Boxes()[0].text.rfind("Exception:\r\n", 0), 0u);
  EXPECT_EQ(dialogs.Boxes()[0].caption, "Error");
  EXPECT_EQ(dialogs.Boxes()[0].text.find("Password"), std::string::npos);
  EXPECT_EQ(dialogs.Boxes()[1].text.rfind("Update FAILED !\r\n", 0), 0u);
  EXPECT_EQ(Completion(), "Update FAILED !");
  EXPECT_TRUE(Exists(logs + "invalid/ex260301.log"));
  EXPECT_FALSE(Exists(logs + "processed/ex260301.log"));
  EXPECT_TRUE(Unlocked());

  server.Start();
  dsn = server.Dsn();
  EXPECT_EQ(Count("tblLogs"), 0);
  EXPECT_EQ(Count("tblVisitors"), 0);
}

}  // namespace
}  // namespace kestrune::test
