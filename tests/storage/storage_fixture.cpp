#include "storage_fixture.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "desktop/file_search.h"
#include "importing/import_run.h"
#include "util/datetime.h"

namespace kestrune::test {
namespace {

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
  return text;
}

// Runs a shell command; fails the test (and returns false) when it does not succeed.
bool Run(const std::string& command) {
  const int rc = std::system(command.c_str());
  EXPECT_EQ(rc, 0) << command;
  return rc == 0;
}

std::string Script() {
  return std::string(KESTRUNE_SOURCE_DIR) + "/scripts/test-postgres";
}

void ReadServer(PgServer& server) {
  server.port = std::atoi(Trimmed(ReadWhole(server.dir + "/port")).c_str());
  server.password = Trimmed(ReadWhole(server.dir + "/password"));
}

}  // namespace

std::string KindName(Kind kind) {
  return kind == Kind::SQLite ? "SQLite" : "PostgreSQL";
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kestrune-db-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::Write(const std::string& name, const std::string& content) const {
  const std::string file = Path(name);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  return file;
}

PgServer& PgServer::Get() {
  static std::unique_ptr<PgServer> server;
  if (server) return *server;
  if (const char* dir = std::getenv("KESTRUNE_TEST_PG"); dir && *dir) {
    server = std::make_unique<PgServer>();
    server->dir = dir;
    ReadServer(*server);
  } else {
    server = Private();
  }
  EXPECT_NE(server->port, 0) << "no PostgreSQL test server in " << server->dir
                             << " (scripts/test-postgres start DIR)";
  return *server;
}

std::unique_ptr<PgServer> PgServer::Private() {
  auto server = std::make_unique<PgServer>();
  char pattern[] = "/tmp/kestrune-pgtest-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) std::abort();
  server->dir = pattern;
  server->own = true;
  if (!Run(Script() + " start " + server->dir + " >/dev/null"))
    ADD_FAILURE() << "the PostgreSQL test server did not start";
  else
    ReadServer(*server);
  return server;
}

PgServer::~PgServer() {
  if (own) std::system((Script() + " destroy " + dir + " >/dev/null 2>&1").c_str());
}

void PgServer::Stop() {
  Run(Script() + " stop " + dir + " >/dev/null");
}

void PgServer::Restart() {
  Run(Script() + " start " + dir + " >/dev/null");
  ReadServer(*this);
}

// --- TestDatabase --------------------------------------------------------------------

TestDatabase::TestDatabase(Kind kind, bool withSchema, PgServer* server) : kind_(kind) {
  if (kind == Kind::SQLite) {
    name_ = dir_.Path("kestrune.db");
  } else {
    static std::atomic<int> counter{0};
    name_ = "kt_" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    server_ = server ? server : &PgServer::Get();
    odbc::Environment env;
    odbc::Connection connection(env);
    connection.Connect(AdminString());
    odbc::Statement statement(connection);
    statement.ExecuteDirect("CREATE DATABASE " + name_ + " ENCODING 'UTF8' TEMPLATE template0");
  }
  if (withSchema)
    ExecuteScript(std::string(KESTRUNE_SOURCE_DIR) + "/data/schema/" +
                  (kind == Kind::SQLite ? "sqlite.sql" : "postgresql.sql"));
}

TestDatabase::~TestDatabase() {
  if (kind_ != Kind::PostgreSQL) return;
  try {
    odbc::Environment env;
    odbc::Connection connection(env);
    connection.Connect(AdminString());
    odbc::Statement statement(connection);
    statement.ExecuteDirect("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
  } catch (const std::exception&) {
    // A server stopped by the test leaves its database to the end of the server.
  }
}

std::string TestDatabase::AdminString() const {
  return "DRIVER={PostgreSQL Unicode};Servername=127.0.0.1;Port=" + std::to_string(server_->port) +
         ";Database=kestrune;Username=kestrune;Password=" + server_->password +
         ";CommLog=0;Debug=0";
}

std::string TestDatabase::DriverString() const {
  if (kind_ == Kind::SQLite) return "DRIVER={SQLite3};Database=" + name_;
  return "DRIVER={PostgreSQL Unicode};Servername=127.0.0.1;Port=" + std::to_string(server_->port) +
         ";Database=" + name_ + ";Username=kestrune;Password=" + server_->password;
}

std::string TestDatabase::Dsn(DsnForm form) {
  const std::string driverString = DriverString();
  if (form == DsnForm::Driver) return driverString;
  // The attributes of the driver string as lines of an ini section.
  std::string section;
  std::string driver;
  std::stringstream parts(driverString);
  for (std::string part; std::getline(parts, part, ';');) {
    const std::size_t eq = part.find('=');
    std::string key = part.substr(0, eq);
    std::string value = part.substr(eq + 1);
    if (key == "DRIVER") {
      driver = value.substr(1, value.size() - 2);
      value = driver;
      key = "Driver";
    }
    section += key + "=" + value + "\n";
  }
  if (form == DsnForm::FileDsn) {
    const std::string file = dir_.Write("kestrune.dsn", "[ODBC]\n" + section);
    return "FILEDSN=" + file;
  }
  // A name of its own: the driver manager caches what it read of odbc.ini by DSN name.
  static int count = 0;
  const std::string name = "KestruneTest" + std::to_string(++count);
  const std::string ini = dir_.Write("odbc.ini", "[" + name + "]\n" + section);
  ::setenv("ODBCINI", ini.c_str(), 1);
  return name;
}

void TestDatabase::Execute(const std::string& sql) {
  odbc::Environment env;
  odbc::Connection connection(env);
  connection.Connect(DriverString() + ";CommLog=0;Debug=0");
  odbc::Statement statement(connection);
  statement.ExecuteDirect(sql);
}

void TestDatabase::ExecuteScript(const std::string& path) {
  // Comment lines dropped, then one statement per ";".
  std::stringstream in(ReadWhole(path));
  std::string text;
  for (std::string line; std::getline(in, line);)
    if (line.rfind("--", 0) != 0) text += line + "\n";
  std::stringstream statements(text);
  odbc::Environment env;
  odbc::Connection connection(env);
  connection.Connect(DriverString() + ";CommLog=0;Debug=0");
  odbc::Statement statement(connection);
  for (std::string sql; std::getline(statements, sql, ';');)
    if (sql.find_first_not_of(" \n\r\t") != std::string::npos) statement.ExecuteDirect(sql);
}

std::vector<std::string> TestDatabase::Rows(const std::string& sql, const std::string& types) {
  odbc::Environment env;
  odbc::Connection connection(env);
  connection.Connect(DriverString() + ";CommLog=0;Debug=0");
  connection.SetTextMode(kind_ == Kind::PostgreSQL ? odbc::TextMode::Utf16 : odbc::TextMode::Bytes);
  odbc::Statement statement(connection);
  statement.ExecuteDirect(sql);
  std::vector<std::string> rows;
  while (statement.Fetch()) {
    std::string row;
    for (std::size_t c = 0; c < types.size(); ++c) {
      if (c) row += "|";
      const int column = static_cast<int>(c);
      switch (types[c]) {
        case 't':
          row += statement.GetText(column);
          break;
        case 'i':
          row += std::to_string(statement.GetInteger(column));
          break;
        case 'b':
          row += statement.GetBoolean(column) ? "1" : "0";
          break;
        case 'd': {
          const TDateTime value = statement.GetDateTime(column);
          row += value == 0 ? "NULL" : FormatIsoDate(value) + " " + FormatHhNnSs(value);
          break;
        }
        default:
          ADD_FAILURE() << "unknown column type " << types[c];
      }
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> TestDatabase::Dump() {
  struct Table {
    const char* name;
    const char* columns;
    const char* types;
  };
  static const Table kTables[] = {
      {"tblLogs",
       "ID, Page, Referrer, SiteIP, Visitor, Date, GET, HEAD, Bytes, Statuscode, TimeTaken, "
       "HTTPVersion, Port",
       "iiitidbbiiiti"},
      {"tblVisitors", "ID, Visitor, IP, SE, Last, Count, SessionDownloaded, Downloaded",
       "ittbdibb"},
      {"tblPages", "ID, PageName, SiteIP", "itt"},
      {"tblRefs", "ID, Host, URL, SiteIP, Count, Last", "itttid"},
      {"tblDownloads", "ID, FileName, SiteIP, Count, Last", "ittid"},
      {"tblErrors", "ID, Error, PageName, SiteIP, ReferringURL, Count, Last", "iitttid"},
  };
  std::vector<std::string> all;
  for (const Table& table : kTables) {
    for (const std::string& row :
         Rows(std::string("SELECT ") + table.columns + " FROM " + table.name + " ORDER BY ID",
              table.types))
      all.push_back(std::string(table.name) + ": " + row);
  }
  return all;
}

std::int64_t TestDatabase::Count(const std::string& table) {
  const std::vector<std::string> rows = Rows("SELECT COUNT(*) FROM " + table, "i");
  return rows.empty() ? -1 : std::stoll(rows[0]);
}

namespace {

// The host of the fixture's runs: the database's status texts kept, the readers' and the
// run's own left out; every error box answered OK.
class StorageRunHost : public NullImportHost {
 public:
  void Status(const std::string& message) override {
    for (const char* own :
         {"Importing IIS file ", "File not found: ", "Update completed.", "Update FAILED !"})
      if (message.rfind(own, 0) == 0) return;
    statuses.push_back(message);
  }
  std::vector<std::string> statuses;
};

}  // namespace

RunResult ImportRun(const std::string& dsn, const std::vector<std::string>& files,
                    StorageOptions options, clsImportStats* stats) {
  clsImportStats own;
  clsImportStats& model = stats ? *stats : own;
  const TempDir empty;
  ImportRequest request;
  request.directory =
      files.empty() ? empty.Path("") : std::filesystem::path(files[0]).parent_path().string() + "/";
  request.pattern = request.directory + "*.log";
  std::vector<std::string> inOrder;
  for (const FoundEntry& entry : FindEntries(request.pattern)) {
    const std::string name = request.directory + entry.name;
    const bool given = std::find(files.begin(), files.end(), name) != files.end();
    request.listed.push_back({name, given});
    if (given) inOrder.push_back(name);
  }
  EXPECT_EQ(inOrder, files) << "the files of one folder, in the order of the file search";
  ImportOptions& run = request.options;
  run.addToDb = true;
  run.dsn = dsn;
  run.storage = options;
  run.useDownloadExt = model.UseDownloadExt;
  run.useIgnoreExt = model.UseIgnoreExt;
  run.useIgnoreIP = model.UseIgnoreIP;

  StorageRunHost host;
  const ImportOutcome outcome = kestrune::ImportRun(host, model, std::move(request)).Run();
  return {outcome.error, outcome.filesRead, host.statuses};
}

std::string IisLog(const std::vector<std::string>& lines) {
  std::string text =
      "#Software: Microsoft Internet Information Server 4.0\r\n#Version: 1.0\r\n"
      "#Fields: date time s-ip c-ip cs-method cs-uri-stem sc-status sc-bytes time-taken "
      "cs-version\r\n";
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

}  // namespace kestrune::test
