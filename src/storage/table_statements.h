// The prepared statements of the six tables, shared by both storage strategies: the
// keyed SELECT of each lookup table (the query of the connection, with its ":X"
// parameters bound as "?"), the INSERTs and the UPDATEs of a row by its ID. Every
// column list is explicit; identifiers are unquoted.
#pragma once

#include <memory>

#include "storage/odbc.h"
#include "storage/tables.h"

namespace kestrune {

class TableStatements {
 public:
  explicit TableStatements(odbc::Connection& connection);

  // Reads the row the statement stands on (its columns in the order of the SELECTs).
  static VisitorRow ReadVisitor(odbc::Statement& select);
  static CounterRow ReadCounter(odbc::Statement& select);

  // Runs a keyed SELECT and reads its first row, closing the cursor.
  std::optional<VisitorRow> SelectVisitor(const std::string& ip);
  std::optional<std::int64_t> SelectPage(const std::string& pageName);
  std::optional<CounterRow> SelectRef(const std::string& url, const std::string& siteIP);
  std::optional<CounterRow> SelectDownload(const std::string& fileName, const std::string& siteIP);
  std::optional<CounterRow> SelectError(const ErrorKey& key);

  void InsertVisitor(const std::string& visitor);
  void InsertPage(const std::string& pageName, const std::string& siteIP);
  void InsertRef(const std::string& host, const std::string& url, const std::string& siteIP,
                 TDateTime last);
  void InsertDownload(const std::string& fileName, const std::string& siteIP, TDateTime last);
  void InsertError(const ErrorKey& key, TDateTime last);
  void InsertLog(const LogRow& row);

  void UpdateVisitor(const VisitorRow& row);
  void UpdateRef(const CounterRow& row);
  void UpdateDownload(const CounterRow& row);
  void UpdateError(const CounterRow& row);

  // The column lists, for statements built on them elsewhere.
  static const char* const kVisitorColumns;
  static const char* const kCounterColumns;
  static const char* const kLogColumns;
  static constexpr std::size_t kLogColumnCount = 12;
  // Sets the parameters of one tblLogs row, starting at parameter `first`.
  static void BindLog(odbc::Statement& insert, std::size_t first, const LogRow& row);

 private:
  odbc::Statement selectVisitor_, selectPage_, selectRef_, selectDownload_, selectError_;
  odbc::Statement insertVisitor_, insertPage_, insertRef_, insertDownload_, insertError_,
      insertLog_;
  odbc::Statement updateVisitor_, updateRef_, updateDownload_, updateError_;
};

}  // namespace kestrune
