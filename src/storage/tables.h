// Tables: the six tables as the entry storage reads and writes them. Two strategies
// stand behind it: DirectTables runs every read and write as its own statement, the way
// the updatable queries would; CachedTables keeps the rows the lookups touch in memory
// for the file's transaction, batches the tblLogs rows into multi-row INSERTs and writes
// each changed row once before the commit. Both leave the same committed tables.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "util/datetime.h"

namespace kestrune {

struct VisitorRow {
  std::int64_t ID = 0;
  std::string IP;
  bool SE = false;
  TDateTime Last = 0;
  std::int64_t Count = 0;
  bool SessionDownloaded = false;
  bool Downloaded = false;
};

// A row of tblRefs, tblDownloads or tblErrors: what an entry changes in it.
struct CounterRow {
  std::int64_t ID = 0;
  std::int64_t Count = 0;
  TDateTime Last = 0;
};

struct LogRow {
  std::int64_t Page = 0;
  std::int64_t Referrer = 0;
  std::string SiteIP;
  std::int64_t Visitor = 0;
  TDateTime Date = 0;
  bool GET = false;
  bool HEAD = false;
  std::int64_t Bytes = 0;
  std::int64_t Statuscode = 0;
  std::int64_t TimeTaken = 0;
  std::string HTTPVersion;
  std::int64_t Port = 0;
};

// The key of a tblErrors row.
struct ErrorKey {
  std::int64_t Error = 0;
  std::string PageName;
  std::string SiteIP;
  std::string ReferringURL;
};

class Tables {
 public:
  virtual ~Tables() = default;

  // The first row (lowest ID) whose key equals the given one exactly, or none. An Insert
  // returns the new row as a read by its key then finds it (none if it cannot be found).
  virtual std::optional<VisitorRow> FindVisitor(const std::string& ip) = 0;
  virtual std::optional<VisitorRow> InsertVisitor(const std::string& visitor) = 0;
  virtual void WriteVisitor(const VisitorRow& row) = 0;

  // The ID of the page's row.
  virtual std::optional<std::int64_t> FindPage(const std::string& pageName) = 0;
  virtual std::optional<std::int64_t> InsertPage(const std::string& pageName,
                                                 const std::string& siteIP) = 0;

  virtual std::optional<CounterRow> FindRef(const std::string& url, const std::string& siteIP) = 0;
  virtual std::optional<CounterRow> InsertRef(const std::string& host, const std::string& url,
                                              const std::string& siteIP,
                                              TDateTime last) = 0;  // Count 1
  virtual void WriteRef(const CounterRow& row) = 0;

  virtual std::optional<CounterRow> FindDownload(const std::string& fileName,
                                                 const std::string& siteIP) = 0;
  virtual std::optional<CounterRow> InsertDownload(const std::string& fileName,
                                                   const std::string& siteIP,
                                                   TDateTime last) = 0;  // Count 1
  virtual void WriteDownload(const CounterRow& row) = 0;

  virtual std::optional<CounterRow> FindError(const ErrorKey& key) = 0;
  virtual std::optional<CounterRow> InsertError(const ErrorKey& key,
                                                TDateTime last) = 0;  // Count 1
  virtual void WriteError(const CounterRow& row) = 0;

  virtual void AddLog(const LogRow& row) = 0;

  // Before the commit: everything still held in memory goes to the database.
  virtual void Flush() = 0;
  // After the commit: the rows held for the transaction may go.
  virtual void Committed() = 0;
  // After a rollback: nothing of the transaction is kept.
  virtual void Forget() = 0;
};

}  // namespace kestrune
