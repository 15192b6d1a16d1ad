#include "importing/import_run.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <memory>

#include "logfiles/log_readers.h"
#include "storage/file_record.h"
#include "util/datetime.h"
#include "util/directory_lock.h"
#include "util/move_file.h"
#include "util/path.h"
#include "util/text.h"

namespace kestrune {

namespace {

// A file or directory name as it joins a log line: no control character of it can start
// a line of its own.
std::string LogName(const std::string& name) {
  return EscapeControlCharacters(name, false);
}

std::string ExceptionText(const std::string& message) {
  return "Exception:\r\n" + message + "\r\n";
}

// Why a run found no file at all: the folder is missing, or the mask matches nothing in it.
std::string NothingFoundText(const std::string& path, const std::string& directory) {
  struct stat info {};
  const std::string folder =
      directory.size() > 1 ? directory.substr(0, directory.size() - 1) : directory;
  if (!folder.empty() && ::stat(folder.c_str(), &info) != 0)
    return "Folder not found: " + LogName(folder);
  return "No file matches " + LogName(path);
}

}  // namespace

ImportRun::ImportRun(ImportHost& host, clsImportStats& stats, ImportRequest request)
    : host_(host),
      stats_(stats),
      request_(std::move(request)),
      selection_(request_.listed),
      database_([&host](const std::string& message) { host.Status(message); },
                request_.options.storage) {}

ImportOutcome ImportRun::Run() {
  const ImportOptions& options = request_.options;
  const std::string& directory = request_.directory;
  host_.DisableAll();
  // One import at a time per directory, across processes: a second run would read and
  // count the same files again. It reads and moves nothing and ends FAILED.
  const DirectoryLock importLock(directory);
  const bool busy = importLock.state() == DirectoryLock::State::kBusy;
  if (busy) host_.LogString("Another import is running in " + LogName(directory), false);
  // A directory with a wildcard in it is a mask typed without one (or a pattern): no
  // file can be imported from it, and folders named after the mask would only litter.
  if (options.move && !busy && directory.find_first_of("*?") == std::string::npos) {
    // Kept for the moves: a folder that cannot be made (a full disk, no inode left) is
    // the reason each move into it fails.
    for (const bool processed : {false, true})
      if (!ForceDirectory(directory + (processed ? "processed" : "invalid")) && errno != EEXIST)
        folderError_[processed ? 0 : 1] = std::strerror(errno);
  }
  if (!busy) RemoveLeftovers();
  stats_.UseDownloadExt = options.useDownloadExt;
  stats_.UseIgnoreExt = options.useIgnoreExt;
  stats_.UseIgnoreIP = options.useIgnoreIP;
  stats_.ImportStarted = NowLocal();

  const bool ready = !busy && OpenDatabase();
  const std::vector<FoundEntry> entries =
      ready ? FindEntries(request_.pattern) : std::vector<FoundEntry>{};
  bool completed = !entries.empty();
  if (!completed && ready) host_.LogString(NothingFoundText(request_.pattern, directory), false);
  for (std::size_t i = 0; completed && i < entries.size(); ++i) {
    const FoundEntry& entry = entries[i];
    if (entry.isDirectory || entry.name.front() == '.') continue;
    const FileEnd end = ImportEntry(entry);
    completed = end == FileEnd::Done;
    if (end == FileEnd::Cancelled) break;
  }
  return Finish(completed);
}

void ImportRun::RemoveLeftovers() {
  const std::string& directory = request_.directory;
  for (const std::string& folder : {directory, directory + "processed/", directory + "invalid/"})
    for (const std::string& name :
         RemoveStaleTemporaryFiles(folder, request_.options.staleTemporaryAge))
      host_.LogString("Removed a leftover temporary file: " + LogName(folder + name), false);
}

bool ImportRun::OpenDatabase() {
  // A data source that cannot be opened ends the run before any file is touched, with
  // the error box and the closing steps, so that the window is unlocked again.
  if (!request_.options.addToDb) return true;
  try {
    database_.Open(request_.options.dsn, stats_);
    if (database_.Files() == nullptr) host_.LogString(kNoFileRecordText, false);
    return true;
  } catch (const std::exception& e) {
    host_.ShowDefaultCursor();
    outcome_.error = e.what();
    host_.ErrorBox(ExceptionText(e.what()), false);
    return false;
  }
}

ImportRun::FileEnd ImportRun::ImportEntry(const FoundEntry& entry) {
  const std::string fileName = request_.directory + entry.name;
  FileEnd end = FileEnd::Done;
  try {
    readStart_.reset();
    if (selection_.Selected(fileName))
      end = ReadFile(fileName, entry.name);
    else
      host_.LogString("Skipping file " + LogName(fileName) + ".", false);
  } catch (const std::exception& e) {
    end = FileError(e.what());
  }
  host_.ShowStatsNow();
  if (end == FileEnd::Cancelled) return end;
  // A skipped file goes into "processed" like a read one; a file that grew while it was
  // read stays, so that the next run reads what came after.
  if (request_.options.move && Unchanged(fileName))
    MoveAway(fileName, entry.name, end == FileEnd::Done);
  return end;
}

bool ImportRun::Unchanged(const std::string& fileName) {
  if (!readStart_ || FileIdentity::Of(fileName) == readStart_) return true;
  host_.LogString(LogName(fileName) + " changed while it was read; left in place", false);
  return false;
}

ImportRun::FileEnd ImportRun::ReadFile(const std::string& fileName, const std::string& name) {
  const ImportOptions& options = request_.options;
  host_.LogString("Scanning file " + LogName(fileName) + ".", false);
  const int fileIndex = stats_.slFiles.Add(fileName, std::make_unique<clsPFileObject>());
  const bool storing = options.addToDb && database_.Connected();
  if (storing) database_.StartTransaction();
  // The bytes there now are the file's content for this run: what a writer appends
  // meanwhile is left for the next one.
  readStart_ = FileIdentity::Of(fileName);
  ReaderContext context{stats_, host_, database_.Store()};
  context.unixOptions = options.unixRead;
  if (readStart_) context.byteLimit = readStart_->size;
  StoragePlan plan;
  const bool store = storing && PlanFile(fileName, name, context, plan);
  const int lines = options.iis ? ScanIISFile(fileName, store, context)
                                : ScanUnixFile(fileName, options.siteIP, store, context);
  stats_.slFiles.Object(fileIndex)->LineCount = lines;
  if (store) RecordFile(name, plan, lines);
  if (storing) database_.Commit();
  ++outcome_.filesRead;
  // A file that yields no line (it vanished or is empty) fails the run.
  return lines > 0 ? FileEnd::Done : FileEnd::Failed;
}

bool ImportRun::PlanFile(const std::string& fileName, const std::string& name,
                         ReaderContext& context, StoragePlan& plan) {
  FileRecord* record = database_.Files();
  if (record == nullptr || !readStart_) return true;
  plan = PlanStorage(*record, fileName, name, readStart_->size);
  context.byteLimit = plan.size;
  if (plan.kind == StoragePlan::Kind::Stored) {
    host_.LogString(AlreadyStoredText(LogName(fileName), plan.previous.Stored), false);
    return false;
  }
  if (plan.kind == StoragePlan::Kind::Grown) {
    context.storeFromLine = plan.skipLines;
    host_.LogString(LogName(fileName) + " grew since it was stored (stored " +
                        StoredDateText(plan.previous.Stored) + "); its first " +
                        std::to_string(plan.skipLines) + " line(s) not stored again",
                    false);
  }
  return true;
}

void ImportRun::RecordFile(const std::string& name, const StoragePlan& plan, int lines) {
  FileRecord* record = database_.Files();
  if (record == nullptr || !readStart_ || lines <= 0) return;
  StoredFile row;
  row.FileName = name;
  row.Size = static_cast<std::int64_t>(plan.size);
  row.SHA256 = plan.sha256;
  row.Lines = lines;
  row.SiteIP = request_.options.iis ? std::string() : request_.options.siteIP;
  record->Insert(row);
}

ImportRun::FileEnd ImportRun::FileError(const std::string& message) {
  host_.ShowDefaultCursor();
  if (request_.options.addToDb && database_.Connected()) database_.Rollback();
  outcome_.error = message;
  const ErrorAnswer answer = host_.ErrorBox(ExceptionText(message), true);
  return answer == ErrorAnswer::Cancel ? FileEnd::Cancelled : FileEnd::Failed;
}

void ImportRun::MoveAway(const std::string& fileName, const std::string& name, bool processed) {
  // Replaces an existing target; across file systems the file is copied first. A move
  // that fails leaves the file in place and says so in the log.
  const std::string target = request_.directory + (processed ? "processed/" : "invalid/") + name;
  std::string reason;
  if (MoveFile(fileName, target, reason)) return;
  // A target folder that could not be made is the real reason, not the missing folder.
  const std::string folder = request_.directory + (processed ? "processed" : "invalid");
  if (const std::string& why = folderError_[processed ? 0 : 1];
      !why.empty() && !DirectoryExists(folder))
    reason = "cannot create " + LogName(folder) + ": " + why;
  ++outcome_.movesFailed;
  const std::string text =
      "Could not move " + LogName(fileName) + " to " + LogName(target) + ": " + reason;
  host_.LogString(text, false);
  host_.Status(text);
}

ImportOutcome ImportRun::Finish(bool completed) {
  host_.ShowDefaultCursor();
  if (request_.options.addToDb) database_.Close();
  stats_.ImportFinished = NowLocal();
  host_.ShowStatsNow();

  const std::string result = completed ? "Update completed." : "Update FAILED !";
  const double duration = stats_.ImportFinished - stats_.ImportStarted;
  const std::string summary = std::to_string(stats_.slFiles.Count()) + " file(s) scanned in " +
                              FormatHNnSs(duration > 0 ? duration : 0);
  outcome_.result = completed ? ImportResult::Completed : ImportResult::Failed;
  host_.LogString(result + "\r\n\r\n" + summary + "\r\n\r\n", request_.options.completionBox);
  // Files left where they were because they could not be moved are named in the log;
  // the status line keeps saying how many, since the next run must finish their moves.
  std::string moves;
  if (outcome_.movesFailed > 0)
    moves = "; " + std::to_string(outcome_.movesFailed) + " file(s) could not be moved";
  host_.Status(result + " (" + summary + ")" + moves);
  host_.ResetProgress();
  host_.EnableAll();
  return outcome_;
}

}  // namespace kestrune
