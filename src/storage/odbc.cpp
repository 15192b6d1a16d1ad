#include "storage/odbc.h"

#include <algorithm>
#include <cstring>
#include <regex>

#include "util/utf8.h"

namespace kestrune::odbc {
namespace {

// A text parameter holds at most 255 bytes; as UTF-16 that is at most 255 code units
// (every byte read as Latin-1 is one unit, longer UTF-8 sequences give fewer units).
constexpr std::size_t kTextMax = 255;
constexpr std::size_t kTextBufferBytes = (kTextMax + 1) * sizeof(SQLWCHAR);

bool Ok(SQLRETURN rc) {
  return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

// Writes `code` as one UTF-16 unit or a surrogate pair at `units`; the number written.
std::size_t PutUtf16(SQLWCHAR* units, char32_t code) {
  if (code < 0x10000) {
    units[0] = static_cast<SQLWCHAR>(code);
    return 1;
  }
  code -= 0x10000;
  units[0] = static_cast<SQLWCHAR>(0xD800 + (code >> 10));
  units[1] = static_cast<SQLWCHAR>(0xDC00 + (code & 0x3FF));
  return 2;
}

// UTF-16 units read back from the driver, as UTF-8 (a lone surrogate becomes U+FFFD).
std::string Utf16ToUtf8(const SQLWCHAR* units, std::size_t count) {
  std::string out;
  out.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    char32_t code = units[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = 0xFFFD;
    }
    AppendUtf8(out, code);
  }
  return out;
}

// Every password value given in a connection string, so that it can be kept out of
// texts that a driver builds from it.
std::vector<std::string> PasswordValues(std::string_view connectionString) {
  static const std::regex kPassword(R"((?:^|;)\s*(?:PWD|PASSWORD)\s*=\s*(\{[^}]*\}|[^;]*))",
                                    std::regex::icase);
  std::vector<std::string> values;
  const std::string text(connectionString);
  for (std::sregex_iterator it(text.begin(), text.end(), kPassword), end; it != end; ++it) {
    std::string value = (*it)[1].str();
    if (value.size() >= 2 && value.front() == '{') value = value.substr(1, value.size() - 2);
    if (!value.empty()) values.push_back(value);
  }
  return values;
}

std::string RemoveSecrets(std::string text, const std::vector<std::string>& secrets) {
  text = ScrubPassword(text);
  for (const std::string& secret : secrets) {
    for (std::size_t at = text.find(secret); at != std::string::npos;
         at = text.find(secret, at + 3))
      text.replace(at, secret.size(), "***");
  }
  return text;
}

// Every password this thread has connected with: kept out of every error text.
thread_local std::vector<std::string> tConnectionSecrets;

void AddSecrets(const std::vector<std::string>& secrets) {
  for (const std::string& secret : secrets)
    if (std::find(tConnectionSecrets.begin(), tConnectionSecrets.end(), secret) ==
        tConnectionSecrets.end())
      tConnectionSecrets.push_back(secret);
}

// The diagnostic records of `handle` as "SQLSTATE: message" lines; the first record's
// SQLSTATE and native code into `state` and `native`.
std::string DiagnosticRecords(SQLSMALLINT handleType, SQLHANDLE handle, bool wide,
                              std::string* state, long* native) {
  std::string out;
  for (SQLSMALLINT record = 1;; ++record) {
    std::string recordState, message;
    SQLINTEGER code = 0;
    if (wide) {
      SQLWCHAR stateUnits[6] = {};
      SQLWCHAR units[2048] = {};
      SQLSMALLINT length = 0;
      const SQLRETURN rc = SQLGetDiagRecW(handleType, handle, record, stateUnits, &code, units,
                                          sizeof units / sizeof units[0], &length);
      if (!Ok(rc)) break;
      recordState = Utf16ToUtf8(stateUnits, 5);
      message = Utf16ToUtf8(
          units, std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(length, 0)),
                                       sizeof units / sizeof units[0] - 1));
    } else {
      SQLCHAR stateBytes[6] = {};
      SQLCHAR bytes[2048] = {};
      SQLSMALLINT length = 0;
      const SQLRETURN rc = SQLGetDiagRec(handleType, handle, record, stateBytes, &code, bytes,
                                         sizeof bytes, &length);
      if (!Ok(rc)) break;
      recordState = reinterpret_cast<const char*>(stateBytes);
      message = reinterpret_cast<const char*>(bytes);
    }
    while (!recordState.empty() && recordState.back() == '\0') recordState.pop_back();
    if (record == 1) {
      if (state) *state = recordState;
      if (native) *native = code;
    }
    if (!out.empty()) out += "\r\n";
    out += recordState + ": " + message;
  }
  return ScrubPassword(out);
}

[[noreturn]] void Throw(SQLSMALLINT handleType, SQLHANDLE handle, const char* what,
                        bool wide = false) {
  std::string state;
  long native = 0;
  std::string message = DiagnosticRecords(handleType, handle, wide, &state, &native);
  if (message.empty()) message = std::string(what) + " failed.";
  throw DriverError(RemoveSecrets(message, tConnectionSecrets), state, native);
}

// One attribute of connection strings ("KEY=value;", the value possibly in braces).
class Attribute {
 public:
  explicit Attribute(const char* key)
      : pattern_(std::string(R"((^|;)\s*)") + key + R"(\s*=\s*(\{[^}]*\}|[^;]*);?)",
                 std::regex::icase) {}
  bool Find(const std::string& text) const { return std::regex_search(text, pattern_); }
  std::string Remove(const std::string& text) const {
    return std::regex_replace(text, pattern_, "$1");
  }

 private:
  std::regex pattern_;
};

const Attribute kFileDsn("FILEDSN");

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// `text` as NUL-terminated UTF-16 by the repair rule (a code point takes at most as many
// units as it has bytes).
std::vector<SQLWCHAR> ToUtf16(std::string_view text) {
  std::vector<SQLWCHAR> units(text.size() + 1);
  std::size_t count = 0;
  ForEachCodePoint(text, [&](char32_t code) { count += PutUtf16(units.data() + count, code); });
  units.resize(count + 1);
  units[count] = 0;
  return units;
}

}  // namespace

std::string ScrubPassword(std::string_view text) {
  static const std::regex kPassword(R"(((?:^|[;\s])(?:PWD|PASSWORD)\s*=\s*)(\{[^}]*\}|[^;\s]*))",
                                    std::regex::icase);
  return std::regex_replace(std::string(text), kPassword, "$1***");
}

std::string RepairUtf8(std::string_view bytes) {
  return Latin1ToUtf8(bytes);
}

std::string Diagnostics(SQLSMALLINT handleType, SQLHANDLE handle, bool wide) {
  return DiagnosticRecords(handleType, handle, wide, nullptr, nullptr);
}

// --- Environment ---------------------------------------------------------------------

Environment::Environment() {
  logs_.Note();
  if (!Ok(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_)))
    throw Error("The ODBC driver manager could not be initialised.");
  if (!Ok(SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                        0)))
    Throw(SQL_HANDLE_ENV, env_, "Setting the ODBC version");
}

Environment::~Environment() {
  if (env_ != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, env_);
  logs_.RemoveNew();
}

// --- Connection ----------------------------------------------------------------------

Connection::Connection(Environment& env) : env_(env) {
  if (!Ok(SQLAllocHandle(SQL_HANDLE_DBC, env.Handle(), &dbc_)))
    Throw(SQL_HANDLE_ENV, env.Handle(), "Allocating a connection");
}

Connection::~Connection() {
  if (connected_) {
    SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
    SQLDisconnect(dbc_);
  }
  SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
}

void Connection::Connect(const std::string& connectionString) {
  AddSecrets(PasswordValues(connectionString));
  env_.Logs().Connecting(connectionString);
  // The driver manager reads a file DSN only in the 8-bit call.
  if (IsAscii(connectionString) && !kFileDsn.Find(connectionString)) {
    ConnectWide(connectionString);
    return;
  }
  const std::string completed = ConnectNarrow(connectionString);
  if (completed.empty() || DbmsName() != "PostgreSQL") return;
  // Again through the wide call, with what the driver completed (every attribute the
  // file or the DSN gave), without the file's name.
  SQLDisconnect(dbc_);
  connected_ = false;
  ConnectWide(kFileDsn.Remove(completed));
}

std::string Connection::ConnectNarrow(const std::string& connectionString) {
  SQLCHAR out[4096];
  SQLSMALLINT outLength = 0;
  std::string in = connectionString;
  const SQLRETURN rc = SQLDriverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR*>(in.data()),
                                        static_cast<SQLSMALLINT>(in.size()), out, sizeof out,
                                        &outLength, SQL_DRIVER_NOPROMPT);
  // The completed string may hold a password the DSN supplied: keep it out of messages.
  if (Ok(rc)) {
    AddSecrets(PasswordValues(std::string_view(
        reinterpret_cast<const char*>(out),
        std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(outLength, 0)),
                              sizeof out - 1))));
  }
  if (!Ok(rc)) Throw(SQL_HANDLE_DBC, dbc_, "Connecting");
  connected_ = true;
  if (outLength < 0 || static_cast<std::size_t>(outLength) >= sizeof out - 1) return "";
  return std::string(reinterpret_cast<const char*>(out), static_cast<std::size_t>(outLength));
}

void Connection::ConnectWide(const std::string& connectionString) {
  std::vector<SQLWCHAR> in = ToUtf16(connectionString);
  SQLWCHAR out[1024];
  SQLSMALLINT outLength = 0;
  const SQLRETURN rc =
      SQLDriverConnectW(dbc_, nullptr, in.data(), static_cast<SQLSMALLINT>(in.size() - 1), out,
                        sizeof out / sizeof out[0], &outLength, SQL_DRIVER_NOPROMPT);
  if (Ok(rc)) {
    const std::size_t units =
        std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(outLength, 0)),
                              sizeof out / sizeof out[0] - 1);
    AddSecrets(PasswordValues(Utf16ToUtf8(out, units)));
  }
  if (!Ok(rc)) Throw(SQL_HANDLE_DBC, dbc_, "Connecting");
  connected_ = true;
}

void Connection::Disconnect() {
  if (!connected_) return;
  connected_ = false;
  SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
  if (!Ok(SQLDisconnect(dbc_))) Throw(SQL_HANDLE_DBC, dbc_, "Disconnecting");
}

void Connection::SetAutoCommit(bool on) {
  const auto value = reinterpret_cast<SQLPOINTER>(
      static_cast<std::uintptr_t>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF));
  if (!Ok(SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT, value, SQL_IS_UINTEGER)))
    Throw(SQL_HANDLE_DBC, dbc_, "Setting the commit mode", textMode_ == TextMode::Utf16);
}

void Connection::Commit() {
  if (!Ok(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_COMMIT)))
    Throw(SQL_HANDLE_DBC, dbc_, "Commit", textMode_ == TextMode::Utf16);
}

void Connection::Rollback() {
  if (!Ok(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK)))
    Throw(SQL_HANDLE_DBC, dbc_, "Rollback", textMode_ == TextMode::Utf16);
}

std::string Connection::DbmsName() const {
  SQLCHAR name[256] = {};
  SQLSMALLINT length = 0;
  if (!Ok(SQLGetInfo(dbc_, SQL_DBMS_NAME, name, sizeof name, &length))) return "";
  return reinterpret_cast<const char*>(name);
}

// --- Statement -----------------------------------------------------------------------

struct Statement::Param {
  ParamType type = ParamType::Text;
  SQLLEN indicator = SQL_NULL_DATA;
  SQLBIGINT integer = 0;
  unsigned char boolean = 0;
  SQL_TIMESTAMP_STRUCT timestamp{};
  std::unique_ptr<SQLWCHAR[]> buffer;  // text parameters only: kTextBufferBytes
  std::vector<SQLWCHAR> longText;      // long text parameters: the units or bytes given
  char* text() { return reinterpret_cast<char*>(buffer.get()); }
};

Statement::Statement(Connection& connection) : connection_(connection) {
  if (!Ok(SQLAllocHandle(SQL_HANDLE_STMT, connection.Handle(), &stmt_)))
    Throw(SQL_HANDLE_DBC, connection.Handle(), "Allocating a statement");
}

Statement::~Statement() {
  if (stmt_ != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
}

void Statement::Check(SQLRETURN rc, const char* what) {
  if (!Ok(rc) && rc != SQL_NO_DATA)
    Throw(SQL_HANDLE_STMT, stmt_, what, connection_.Text() == TextMode::Utf16);
}

void Statement::Prepare(const std::string& sql, const std::vector<ParamType>& params) {
  CloseCursor();
  SQLFreeStmt(stmt_, SQL_RESET_PARAMS);
  std::string text = sql;
  Check(SQLPrepare(stmt_, reinterpret_cast<SQLCHAR*>(text.data()),
                   static_cast<SQLINTEGER>(text.size())),
        "Preparing a statement");
  params_.clear();
  params_.reserve(params.size());
  const bool wide = connection_.Text() == TextMode::Utf16;
  for (std::size_t i = 0; i < params.size(); ++i) {
    auto param = std::make_unique<Param>();
    param->type = params[i];
    const auto number = static_cast<SQLUSMALLINT>(i + 1);
    SQLRETURN rc = SQL_SUCCESS;
    switch (params[i]) {
      case ParamType::Text:
        param->buffer = std::make_unique<SQLWCHAR[]>(kTextBufferBytes / sizeof(SQLWCHAR));
        rc = SQLBindParameter(stmt_, number, SQL_PARAM_INPUT, wide ? SQL_C_WCHAR : SQL_C_CHAR,
                              wide ? SQL_WVARCHAR : SQL_VARCHAR, kTextMax, 0, param->text(),
                              kTextBufferBytes, &param->indicator);
        break;
      case ParamType::Integer:
        rc = SQLBindParameter(stmt_, number, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0,
                              &param->integer, 0, &param->indicator);
        break;
      case ParamType::Boolean:
        rc = SQLBindParameter(stmt_, number, SQL_PARAM_INPUT, SQL_C_BIT, SQL_BIT, 1, 0,
                              &param->boolean, 0, &param->indicator);
        break;
      case ParamType::DateTime:
        rc = SQLBindParameter(stmt_, number, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP,
                              SQL_TYPE_TIMESTAMP, 23, 3, &param->timestamp, 0, &param->indicator);
        break;
      case ParamType::LongText:
        break;  // bound by SetLongText to a buffer of the value's size
    }
    Check(rc, "Binding a parameter");
    params_.push_back(std::move(param));
  }
}

void Statement::ExecuteDirect(const std::string& sql) {
  CloseCursor();
  std::string text = sql;
  Check(SQLExecDirect(stmt_, reinterpret_cast<SQLCHAR*>(text.data()),
                      static_cast<SQLINTEGER>(text.size())),
        "Executing a statement");
  cursorOpen_ = true;
}

void Statement::SetText(std::size_t index, std::string_view value) {
  Param& p = *params_.at(index);
  if (!p.buffer) throw Error("A text was given for a parameter that is not text.");
  if (connection_.Text() == TextMode::Bytes) {
    value = value.substr(0, kTextMax);
    std::memcpy(p.text(), value.data(), value.size());
    p.text()[value.size()] = '\0';
    p.indicator = static_cast<SQLLEN>(value.size());
    return;
  }
  SQLWCHAR* units = p.buffer.get();
  std::size_t count = 0;
  // At most 255 characters (a character beyond the buffer is dropped).
  ForEachCodePoint(value, [&](char32_t code) {
    if (count + (code >= 0x10000 ? 2 : 1) > kTextMax) return;
    count += PutUtf16(units + count, code);
  });
  units[count] = 0;
  p.indicator = static_cast<SQLLEN>(count * sizeof(SQLWCHAR));
}

void Statement::SetInteger(std::size_t index, std::int64_t value) {
  Param& p = *params_.at(index);
  p.integer = value;
  p.indicator = 0;
}

void Statement::SetBoolean(std::size_t index, bool value) {
  Param& p = *params_.at(index);
  p.boolean = value ? 1 : 0;
  p.indicator = 0;
}

void Statement::SetDateTime(std::size_t index, TDateTime value) {
  Param& p = *params_.at(index);
  if (value == 0) {
    p.indicator = SQL_NULL_DATA;
    return;
  }
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, minute, second, msec);
  p.timestamp.year = static_cast<SQLSMALLINT>(year);
  p.timestamp.month = static_cast<SQLUSMALLINT>(month);
  p.timestamp.day = static_cast<SQLUSMALLINT>(day);
  p.timestamp.hour = static_cast<SQLUSMALLINT>(hour);
  p.timestamp.minute = static_cast<SQLUSMALLINT>(minute);
  p.timestamp.second = static_cast<SQLUSMALLINT>(second);
  p.timestamp.fraction = static_cast<SQLUINTEGER>(msec) * 1000000u;
  p.indicator = 0;
}

void Statement::SetLongText(std::size_t index, std::string_view value) {
  Param& p = *params_.at(index);
  if (p.type != ParamType::LongText) throw Error("A long text was given for another parameter.");
  const bool wide = connection_.Text() == TextMode::Utf16;
  const SQLWCHAR* before = p.longText.data();
  const std::size_t capacity = p.longText.size();
  std::size_t bytes = 0;
  if (wide) {
    p.longText.resize(std::max(capacity, value.size() + 1));  // at most one unit a byte
    SQLWCHAR* units = p.longText.data();
    std::size_t count = 0;
    // ASCII bytes are their own units; the rest by the repair rule.
    while (count < value.size() && static_cast<unsigned char>(value[count]) < 0x80) {
      units[count] = static_cast<SQLWCHAR>(value[count]);
      ++count;
    }
    value.remove_prefix(count);
    ForEachCodePoint(value, [&](char32_t code) { count += PutUtf16(units + count, code); });
    units[count] = 0;
    bytes = count * sizeof(SQLWCHAR);
  } else {
    p.longText.resize(std::max(capacity, value.size() / sizeof(SQLWCHAR) + 1));
    char* text = reinterpret_cast<char*>(p.longText.data());
    std::memcpy(text, value.data(), value.size());
    text[value.size()] = '\0';
    bytes = value.size();
  }
  p.indicator = static_cast<SQLLEN>(bytes);
  if (p.longText.data() == before && p.longText.size() == capacity && capacity != 0) return;
  // A new or larger buffer: bound again.
  const SQLULEN size = p.longText.size() * (wide ? 1 : sizeof(SQLWCHAR));
  Check(SQLBindParameter(stmt_, static_cast<SQLUSMALLINT>(index + 1), SQL_PARAM_INPUT,
                         wide ? SQL_C_WCHAR : SQL_C_CHAR, wide ? SQL_WLONGVARCHAR : SQL_LONGVARCHAR,
                         size, 0, p.longText.data(),
                         static_cast<SQLLEN>(p.longText.size() * sizeof(SQLWCHAR)), &p.indicator),
        "Binding a parameter");
}

void Statement::Execute() {
  CloseCursor();
  Check(SQLExecute(stmt_), "Executing a statement");
  // Only a result needs closing: closing a statement without one makes the SQLite driver
  // compile it again at the next execution.
  SQLSMALLINT columns = 0;
  cursorOpen_ = !Ok(SQLNumResultCols(stmt_, &columns)) || columns > 0;
}

bool Statement::Fetch() {
  const SQLRETURN rc = SQLFetch(stmt_);
  if (rc == SQL_NO_DATA) {
    CloseCursor();
    return false;
  }
  Check(rc, "Reading a row");
  return true;
}

void Statement::CloseCursor() {
  if (!cursorOpen_) return;
  cursorOpen_ = false;
  SQLFreeStmt(stmt_, SQL_CLOSE);
}

bool Statement::Cancel() {
  return Ok(SQLCancel(stmt_));
}

std::int64_t Statement::RowCount() {
  SQLLEN count = 0;
  Check(SQLRowCount(stmt_, &count), "Counting rows");
  return count;
}

std::string Statement::GetText(int column) {
  const auto number = static_cast<SQLUSMALLINT>(column + 1);
  if (connection_.Text() == TextMode::Bytes) {
    std::string out;
    char buffer[1024];
    for (;;) {
      SQLLEN indicator = 0;
      const SQLRETURN rc = SQLGetData(stmt_, number, SQL_C_CHAR, buffer, sizeof buffer, &indicator);
      if (rc == SQL_NO_DATA || indicator == SQL_NULL_DATA) break;
      Check(rc, "Reading a text column");
      const std::size_t got =
          indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(sizeof buffer)
              ? sizeof buffer - 1
              : static_cast<std::size_t>(indicator);
      out.append(buffer, got);
      if (rc == SQL_SUCCESS) break;
    }
    return out;
  }
  std::vector<SQLWCHAR> units;
  SQLWCHAR buffer[512];
  for (;;) {
    SQLLEN indicator = 0;
    const SQLRETURN rc = SQLGetData(stmt_, number, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
    if (rc == SQL_NO_DATA || indicator == SQL_NULL_DATA) break;
    Check(rc, "Reading a text column");
    const std::size_t capacity = sizeof buffer / sizeof(SQLWCHAR) - 1;
    const std::size_t got =
        indicator == SQL_NO_TOTAL ||
                static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR) > capacity
            ? capacity
            : static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR);
    units.insert(units.end(), buffer, buffer + got);
    if (rc == SQL_SUCCESS) break;
  }
  return Utf16ToUtf8(units.data(), units.size());
}

std::int64_t Statement::GetInteger(int column) {
  SQLBIGINT value = 0;
  SQLLEN indicator = 0;
  Check(SQLGetData(stmt_, static_cast<SQLUSMALLINT>(column + 1), SQL_C_SBIGINT, &value, 0,
                   &indicator),
        "Reading an integer column");
  return indicator == SQL_NULL_DATA ? 0 : value;
}

bool Statement::GetBoolean(int column) {
  // Read as a number: drivers that keep booleans as text ("1"/"0") convert it too.
  return GetInteger(column) != 0;
}

TDateTime Statement::GetDateTime(int column) {
  SQL_TIMESTAMP_STRUCT ts{};
  SQLLEN indicator = 0;
  Check(SQLGetData(stmt_, static_cast<SQLUSMALLINT>(column + 1), SQL_C_TYPE_TIMESTAMP, &ts,
                   sizeof ts, &indicator),
        "Reading a date-time column");
  if (indicator == SQL_NULL_DATA) return 0;
  TDateTime date = 0, time = 0;
  if (!TryEncodeDate(ts.year, ts.month, ts.day, date)) return 0;
  if (!TryEncodeTime(ts.hour, ts.minute, ts.second, static_cast<int>(ts.fraction / 1000000u), time))
    return date;
  return date + time;
}

}  // namespace kestrune::odbc
