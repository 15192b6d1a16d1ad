#include "storage/file_record.h"

#include "util/text.h"

namespace kestrune {
namespace {

constexpr const char* kColumns = "ID, FileName, Size, SHA256, Lines, Stored, SiteIP";

std::string Select(const char* where) {
  return std::string("SELECT ") + kColumns + " FROM tblFiles WHERE " + where;
}

}  // namespace

const char* const kNoFileRecordText =
    "The database has no table tblFiles: a file stored before is not recognised and would be "
    "stored again (scripts/setup-database adds the table).";

FileRecord::FileRecord(odbc::Connection& connection)
    : findContent_(connection), findByName_(connection), insert_(connection) {
  using odbc::ParamType;
  findContent_.Prepare(Select("SHA256 = ? AND Size = ? ORDER BY ID"),
                       {ParamType::Text, ParamType::Integer});
  findByName_.Prepare(Select("FileName = ? ORDER BY Size DESC, ID DESC"), {ParamType::Text});
  insert_.Prepare(
      "INSERT INTO tblFiles (FileName, Size, SHA256, Lines, Stored, SiteIP) VALUES (?, ?, ?, ?, "
      "?, ?)",
      {ParamType::Text, ParamType::Integer, ParamType::Text, ParamType::Integer,
       ParamType::DateTime, ParamType::Text});
}

bool FileRecord::Present(odbc::Connection& connection) {
  try {
    odbc::Statement probe(connection);
    probe.ExecuteDirect(Select("1 = 0"));
    return true;
  } catch (const Error&) {
    return false;
  }
}

std::vector<StoredFile> FileRecord::Read(odbc::Statement& select) {
  std::vector<StoredFile> rows;
  select.Execute();
  while (select.Fetch()) {
    StoredFile row;
    row.ID = select.GetInteger(0);
    row.FileName = select.GetText(1);
    row.Size = select.GetInteger(2);
    row.SHA256 = select.GetText(3);
    row.Lines = select.GetInteger(4);
    row.Stored = select.GetDateTime(5);
    row.SiteIP = select.GetText(6);
    rows.push_back(std::move(row));
  }
  return rows;
}

std::optional<StoredFile> FileRecord::FindContent(std::int64_t size, const std::string& sha256) {
  findContent_.SetText(0, sha256);
  findContent_.SetInteger(1, size);
  std::vector<StoredFile> rows = Read(findContent_);
  if (rows.empty()) return std::nullopt;
  return rows.front();
}

std::vector<StoredFile> FileRecord::FindByName(const std::string& fileName) {
  findByName_.SetText(0, std::string_view(fileName).substr(0, kShortTextMax));
  return Read(findByName_);
}

void FileRecord::Insert(const StoredFile& file) {
  insert_.SetText(0, std::string_view(file.FileName).substr(0, kShortTextMax));
  insert_.SetInteger(1, file.Size);
  insert_.SetText(2, file.SHA256);
  insert_.SetInteger(3, file.Lines);
  insert_.SetDateTime(4, file.Stored != 0 ? file.Stored : NowLocal());
  insert_.SetText(5, std::string_view(file.SiteIP).substr(0, kShortTextMax));
  insert_.Execute();
}

std::string StoredDateText(TDateTime stored) {
  return FormatDdMmmYyyy(stored) + " " + FormatHhNnSs(stored);
}

std::string AlreadyStoredText(const std::string& file, TDateTime stored) {
  return file + " is already in the database (stored " + StoredDateText(stored) +
         "); not stored again";
}

}  // namespace kestrune
