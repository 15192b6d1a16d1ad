// FileRecord: the table tblFiles, the record of the files whose entries are stored. A row
// says that a file's content from its first byte to Size bytes (SHA256: the digest of
// those bytes, in hexadecimal) has been stored, Lines lines of it, at Stored. The row is
// written inside the file's transaction, so it commits exactly when the entries do.
//
// The import run, inside each file's transaction (after the lock that
// Database::StartTransaction takes, so that no other instance stores the same content
// meanwhile):
//   1. FindContent(size, sha256) of every byte read: a row means the whole content is
//      stored already (under any name): counted in memory, not stored again.
//   2. FindByName(name): rows of earlier contents of a file of that name, largest first.
//      A row whose Size is below the file's and whose SHA256 is the digest of the file's
//      first Size bytes is the same log before it grew: only what follows those bytes
//      (after its Lines lines) is stored.
//   3. After storing: Insert() with the file's whole content (size and digest of every
//      byte read, all its lines), before the commit.
// Every value goes as a bound parameter; texts go by the connection's text rule.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "storage/odbc.h"
#include "util/datetime.h"

namespace kestrune {

struct StoredFile {
  std::int64_t ID = 0;     // assigned by the database
  std::string FileName;    // the file's name without its folder (cut to 255)
  std::int64_t Size = 0;   // bytes from the file's beginning
  std::string SHA256;      // 64 lower-case hexadecimal digits
  std::int64_t Lines = 0;  // lines of those bytes
  TDateTime Stored = 0;    // local time of storing; 0 in Insert means now
  std::string SiteIP;      // the site address the run gives (a UNIX log's ebSiteIP)

  bool operator==(const StoredFile&) const = default;
};

class FileRecord {
 public:
  // The table must be there (Present).
  explicit FileRecord(odbc::Connection& connection);

  // Whether the database has tblFiles with every column used here. On PostgreSQL a
  // missing table aborts the transaction: the caller rolls back afterwards.
  static bool Present(odbc::Connection& connection);

  // The first row stored with this content, if any.
  std::optional<StoredFile> FindContent(std::int64_t size, const std::string& sha256);
  // Every row of this file name, the largest Size first (the latest first among equals).
  std::vector<StoredFile> FindByName(const std::string& fileName);
  // Writes a row into the current transaction.
  void Insert(const StoredFile& file);

 private:
  static std::vector<StoredFile> Read(odbc::Statement& select);
  odbc::Statement findContent_, findByName_, insert_;
};

// The stored time as the log shows it: "dd-mmm-yyyy hh:nn:ss".
std::string StoredDateText(TDateTime stored);

// The log line of a file whose content is stored already:
// "<file> is already in the database (stored <date>); not stored again".
std::string AlreadyStoredText(const std::string& file, TDateTime stored);

// The log line, once a run, of a database without tblFiles.
extern const char* const kNoFileRecordText;

}  // namespace kestrune
