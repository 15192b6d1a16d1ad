// A thin RAII layer over the unixODBC API: environment, connection and statement
// handles, diagnostics turned into error texts (SQLSTATE and the driver's message, with
// any password scrubbed), and prepared statements whose parameters are bound once to
// buffers of their own, so that a statement is executed again and again without
// rebinding. No value is ever pasted into SQL text.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "storage/driver_logs.h"
#include "util/datetime.h"
#include "util/error.h"

namespace kestrune::odbc {

// `text` with the value of every PWD= / Password= attribute replaced by "***".
std::string ScrubPassword(std::string_view text);

// An error that the driver reported: the text (as kestrune::Error carries it) with the
// SQLSTATE and the native error code of its first diagnostic record.
class DriverError : public Error {
 public:
  DriverError(const std::string& message, std::string state, long native)
      : Error(message), state_(std::move(state)), native_(native) {}
  const std::string& State() const { return state_; }
  long Native() const { return native_; }

 private:
  std::string state_;
  long native_ = 0;
};

// How texts travel to and from the driver. Bytes: as they are (SQL_C_CHAR), for
// databases that keep any byte sequence. Utf16: as UTF-16 (SQL_C_WCHAR), the bytes read
// as UTF-8 with every byte that is not part of a valid sequence read as Latin-1.
enum class TextMode { Bytes, Utf16 };

// The driver manager's environment. Freeing it also removes the log files that psqlODBC
// wrote for this process against the connection strings' wish (see DriverLogs).
class Environment {
 public:
  Environment();
  ~Environment();
  Environment(const Environment&) = delete;
  Environment& operator=(const Environment&) = delete;
  SQLHENV Handle() const { return env_; }
  DriverLogs& Logs() { return logs_; }

 private:
  SQLHENV env_ = SQL_NULL_HENV;
  DriverLogs logs_;
};

class Connection {
 public:
  explicit Connection(Environment& env);
  ~Connection();  // rolls back what is open, disconnects
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Connects without prompting; `connectionString` is a full ODBC connection string.
  // psqlODBC treats an application that connects through the 8-bit call as one that
  // speaks the process locale: it sets the client encoding from the environment and
  // converts every UTF-16 text through wcstombs, which fails for any non-ASCII
  // character under LC_ALL=C and for most under a Latin-1 locale. So the connection is
  // made through the wide call (SQLDriverConnectW), after which the driver converts
  // UTF-16 to UTF-8 by itself and the client encoding is UTF8 whatever the locale. A
  // string of bytes beyond ASCII goes through the 8-bit call, since the driver manager
  // would recode it by the locale for a driver without wide calls (the SQLite one), and
  // so does a FILEDSN= string, which the driver manager reads only there; when that
  // reaches PostgreSQL, the connection is made again through the wide call with the
  // string the driver completed.
  void Connect(const std::string& connectionString);
  void Disconnect();
  bool Connected() const { return connected_; }
  void SetAutoCommit(bool on);
  void Commit();
  void Rollback();
  // The database product's name (SQL_DBMS_NAME), e.g. "SQLite" or "PostgreSQL".
  std::string DbmsName() const;
  SQLHDBC Handle() const { return dbc_; }
  TextMode Text() const { return textMode_; }
  void SetTextMode(TextMode mode) { textMode_ = mode; }

 private:
  Environment& env_;
  // The completed connection string (empty when it did not fit).
  std::string ConnectNarrow(const std::string& connectionString);
  void ConnectWide(const std::string& connectionString);
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  bool connected_ = false;
  TextMode textMode_ = TextMode::Bytes;
};

// LongText: a text of any length (never cut), e.g. an array literal.
enum class ParamType { Text, Integer, Boolean, DateTime, LongText };

class Statement {
 public:
  explicit Statement(Connection& connection);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Prepares `sql` with one "?" per entry of `params`, bound to buffers of this object.
  void Prepare(const std::string& sql, const std::vector<ParamType>& params = {});
  void ExecuteDirect(const std::string& sql);  // no parameters

  // Parameter values (0-based index); a text is cut to 255 bytes (Bytes) or 255 UTF-16
  // units (Utf16).
  void SetText(std::size_t index, std::string_view value);
  void SetInteger(std::size_t index, std::int64_t value);
  void SetBoolean(std::size_t index, bool value);
  void SetDateTime(std::size_t index, TDateTime value);  // 0 is stored as NULL
  // The whole of `value`, for a LongText parameter.
  void SetLongText(std::size_t index, std::string_view value);

  void Execute();
  // Next row of the result; false at the end (the cursor is then closed).
  bool Fetch();
  void CloseCursor();
  // Asks the driver to stop what this statement runs (SQLCancel); callable from another
  // thread while Execute or Fetch runs there, which then fails. False when the driver
  // refused.
  bool Cancel();
  // Rows changed by the last INSERT / UPDATE.
  std::int64_t RowCount();

  // Columns of the current row (0-based); NULL reads as empty, 0 or false.
  std::string GetText(int column);
  std::int64_t GetInteger(int column);
  bool GetBoolean(int column);
  TDateTime GetDateTime(int column);

 private:
  struct Param;
  void Check(SQLRETURN rc, const char* what);
  Connection& connection_;
  SQLHSTMT stmt_ = SQL_NULL_HSTMT;
  std::vector<std::unique_ptr<Param>> params_;
  bool cursorOpen_ = false;
};

// Error text of the diagnostics of `handle`: "SQLSTATE: message" lines, password scrubbed.
// `wide`: read through SQLGetDiagRecW (for a connection in TextMode::Utf16), so that a
// message quoting a non-ASCII text comes whole under any locale.
std::string Diagnostics(SQLSMALLINT handleType, SQLHANDLE handle, bool wide = false);

// The UTF-8 form of `bytes` by the rule of TextMode::Utf16: valid UTF-8 sequences stay,
// every other byte is read as the Latin-1 character of its value.
std::string RepairUtf8(std::string_view bytes);

}  // namespace kestrune::odbc
