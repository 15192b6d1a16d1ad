// FtpFetch: the fetch of the previous day's log into the import directory, behind the
// window's two handlers: Start is mnDownloadClick, StateChanged is axFTP_StateChanged.
// It reads nothing of the window itself; the window passes its fields and carries out
// the log lines, the box and the message pumping through FtpFetchHost. The fetch keeps
// its own busy state, and Wait is the DOWNLOAD command's wait for it.
//
// The removal on the server after a fetch is told apart from the fetch: its own end
// writes "Deleted old file" (or, when the server refused, an "UNABLE TO DELETE" line),
// and the fetch counts as busy until the removal has ended, so an unattended run does
// not go on while the server still holds the file.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "ftp/ftp_transfer.h"
#include "util/datetime.h"
#include "util/progress_host.h"

namespace kestrune {

// The status line, progress display and message pumping of ProgressHost (the fetch's
// wait pumps messages on every turn), and what the fetch itself asks for.
class FtpFetchHost : public ProgressHost {
 public:
  // A line of the maintenance log (and the status line); with `box` also a message box
  // when the run is attended.
  virtual void LogString(const std::string& message, bool box) = 0;
  // A message box captioned "Error" with an OK button, shown in every run.
  virtual void ErrorBox(const std::string& text) = 0;
  // A new transfer object whose states arrive on the host's thread.
  virtual std::unique_ptr<FtpTransfer> CreateTransfer() = 0;
  // Where the transfer's state changes go (the window's axFTP_StateChanged, which hands
  // them back to StateChanged).
  virtual void FtpStateChanged(int state) = 0;
};

// The fields of the window that a fetch reads when it starts.
struct FtpFetchSettings {
  std::string importPath;  // cbPath
  std::string server;      // ebFTPServer
  std::string logDir;      // ebFTPLogDirectory
  std::string user;        // ebFTPUsername
  std::string password;    // ebFTPPassword
  bool iis = true;         // rbIIS
  bool removeDownloaded = false;
};

// The values kept from the start of a fetch to its state handler.
struct FtpFetchValues {
  std::string localDir;   // FtpLocalDir, ends with "/"
  std::string remoteDir;  // FtpRemoteDir, begins and ends with "/"
  std::string fileName;   // FtpFileName
  std::string url;        // FtpURL (holds the password: never shown)
  std::string command;    // FtpCommand
};

class FtpFetch {
 public:
  explicit FtpFetch(FtpFetchHost& host) : host_(host) {}

  // mnDownloadClick: checks, then starts fetching the log of the day before `now`.
  // Nothing happens while the fetch is busy.
  void Start(const FtpFetchSettings& settings, TDateTime now);
  // axFTP_StateChanged: 12 (completed) and 11 (error) of the running operation.
  void StateChanged(int state);
  // Cancels whatever still runs and forgets the transfer object; the next Start makes a
  // new one.
  void DropTransfer();

  // True from the start of a transfer until the fetch (and the removal after it) has
  // ended, or until a wait gave up on it.
  bool Busy() const { return busy_; }
  // Lets the host's messages through while the fetch is busy, on a monotonic clock (a
  // wait across midnight still ends on time). When it is still busy after more than
  // `limit`, writes "Aborting download" to the log (no box), is no longer busy and
  // returns false; the transfer itself runs on until DropTransfer.
  bool Wait(std::chrono::milliseconds limit);

  const FtpFetchValues& Values() const { return values_; }
  FtpTransfer* Transfer() const { return transfer_.get(); }

 private:
  enum class Phase { Idle, Fetching, Deleting };
  void Delete();

  FtpFetchHost& host_;
  std::unique_ptr<FtpTransfer> transfer_;
  FtpFetchValues values_;
  Phase phase_ = Phase::Idle;
  bool busy_ = false;
  bool removeDownloaded_ = false;
};

}  // namespace kestrune
