// DirectTables: every read and write of the entry storage is its own statement, run at
// once, the way updatable queries would run them. The plain strategy, and the reference
// the batched one is checked against.
#pragma once

#include "storage/table_statements.h"
#include "storage/tables.h"

namespace kestrune {

class DirectTables : public Tables {
 public:
  explicit DirectTables(odbc::Connection& connection) : statements_(connection) {}

  std::optional<VisitorRow> FindVisitor(const std::string& ip) override {
    return statements_.SelectVisitor(ip);
  }
  std::optional<VisitorRow> InsertVisitor(const std::string& visitor) override {
    statements_.InsertVisitor(visitor);
    return statements_.SelectVisitor(visitor);
  }
  void WriteVisitor(const VisitorRow& row) override { statements_.UpdateVisitor(row); }

  std::optional<std::int64_t> FindPage(const std::string& pageName) override {
    return statements_.SelectPage(pageName);
  }
  std::optional<std::int64_t> InsertPage(const std::string& pageName,
                                         const std::string& siteIP) override {
    statements_.InsertPage(pageName, siteIP);
    return statements_.SelectPage(pageName);
  }

  std::optional<CounterRow> FindRef(const std::string& url, const std::string& siteIP) override {
    return statements_.SelectRef(url, siteIP);
  }
  std::optional<CounterRow> InsertRef(const std::string& host, const std::string& url,
                                      const std::string& siteIP, TDateTime last) override {
    statements_.InsertRef(host, url, siteIP, last);
    return statements_.SelectRef(url, siteIP);
  }
  void WriteRef(const CounterRow& row) override { statements_.UpdateRef(row); }

  std::optional<CounterRow> FindDownload(const std::string& fileName,
                                         const std::string& siteIP) override {
    return statements_.SelectDownload(fileName, siteIP);
  }
  std::optional<CounterRow> InsertDownload(const std::string& fileName, const std::string& siteIP,
                                           TDateTime last) override {
    statements_.InsertDownload(fileName, siteIP, last);
    return statements_.SelectDownload(fileName, siteIP);
  }
  void WriteDownload(const CounterRow& row) override { statements_.UpdateDownload(row); }

  std::optional<CounterRow> FindError(const ErrorKey& key) override {
    return statements_.SelectError(key);
  }
  std::optional<CounterRow> InsertError(const ErrorKey& key, TDateTime last) override {
    statements_.InsertError(key, last);
    return statements_.SelectError(key);
  }
  void WriteError(const CounterRow& row) override { statements_.UpdateError(row); }

  void AddLog(const LogRow& row) override { statements_.InsertLog(row); }
  void Flush() override {}
  void Committed() override {}
  void Forget() override {}

 private:
  TableStatements statements_;
};

}  // namespace kestrune
