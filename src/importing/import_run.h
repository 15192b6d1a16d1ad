// ImportRun: one import, as the Import button (and the RUN word) starts it. Under the
// lock of the window's commands and of the import directory (one run at a time per
// directory, across processes), it walks the entries that the pattern matches in the
// order of the file search, reads each selected file with the reader of the chosen
// format (inside one database transaction per file when storing), moves it into
// "processed" or "invalid" when moving is on, writes every step to the maintenance log,
// and ends with "Update completed." or "Update FAILED !" and its summary.
//
// The run ends after the first file that fails: one that yields no line, or one whose
// reading raises an error (the transaction is rolled back and the error box asks: OK
// moves the file into "invalid", Cancel leaves it where it is). Entries counted from a
// failing file before its error stay in the statistics; an import never clears them.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "desktop/file_search.h"
#include "importing/file_selection.h"
#include "importing/import_host.h"
#include "importing/stored_content.h"
#include "logfiles/log_readers.h"
#include "stats/import_stats.h"
#include "storage/database.h"
#include "util/stale_temps.h"

namespace kestrune {

// How an import ended; None only before the first import of a run of the program.
enum class ImportResult { None, Completed, Failed };

struct ImportOptions {
  bool move = false;     // into "processed" / "invalid" after each file
  bool addToDb = false;  // store every entry through `dsn` (the caller checks it is set)
  std::string dsn;
  bool iis = true;           // IIS reader, else the UNIX reader with `siteIP`
  std::string siteIP;        // stored with every UNIX entry
  UnixReadOptions unixRead;  // combined format, letter case (the UNIX reader only)
  bool useDownloadExt = true, useIgnoreExt = true, useIgnoreIP = true;  // the three lists
  bool completionBox = true;  // the completion message also in a box (when attended)
  StorageOptions storage;
  // How old a temporary file of this program's own naming must be before the run that
  // holds the directory's lock removes it as left by a killed writer.
  std::chrono::seconds staleTemporaryAge = kStaleTemporaryAge;
};

struct ImportRequest {
  std::string directory;           // the import directory, ending with its separator
  std::string pattern;             // the import path as typed: directory and file mask
  std::vector<ListedFile> listed;  // the file list and its selection
  ImportOptions options;
};

struct ImportOutcome {
  ImportResult result = ImportResult::Failed;
  int filesRead = 0;    // files whose reader ran to its end (and whose transaction committed)
  int movesFailed = 0;  // files that should have been moved and stay where they were
  std::string error;    // the message of the error that ended the run, if one did
};

class ImportRun {
 public:
  ImportRun(ImportHost& host, clsImportStats& stats, ImportRequest request);
  ImportRun(const ImportRun&) = delete;
  ImportRun& operator=(const ImportRun&) = delete;

  // Carries the run out, once.
  ImportOutcome Run();

 private:
  // How one found entry ended: Done (skipped, or read with at least one line), Failed
  // (no line, or an error answered OK), Cancelled (an error answered Cancel).
  enum class FileEnd { Done, Failed, Cancelled };

  // Removes what killed writers left in the directory and its two move targets.
  void RemoveLeftovers();
  // Opens the database when storing; false (after the error box) when it cannot be.
  bool OpenDatabase();
  // One found entry: skipped or read; then the exact panel and, unless cancelled, the move.
  FileEnd ImportEntry(const FoundEntry& entry);
  // Reads one selected file inside its transaction.
  FileEnd ReadFile(const std::string& fileName, const std::string& name);
  // Asks the record of stored files what of the file to store, and says so in the log;
  // sets the reader's limits. Returns whether entries are to be stored at all.
  bool PlanFile(const std::string& fileName, const std::string& name, ReaderContext& context,
                StoragePlan& plan);
  // The row of the file just read, into its transaction.
  void RecordFile(const std::string& name, const StoragePlan& plan, int lines);
  // After an error while a file was read: rollback, the error box, its answer.
  FileEnd FileError(const std::string& message);
  void MoveAway(const std::string& fileName, const std::string& name, bool processed);
  // Whether a read file is still as it was when its reading began; says so when not.
  bool Unchanged(const std::string& fileName);
  ImportOutcome Finish(bool completed);

  ImportHost& host_;
  clsImportStats& stats_;
  const ImportRequest request_;
  const FileSelection selection_;
  Database database_;
  ImportOutcome outcome_;
  std::optional<FileIdentity> readStart_;  // the file being read, as its read began
  std::string folderError_[2];             // why "processed" / "invalid" could not be made
};

}  // namespace kestrune
