// FtpFetch: the fetch of the previous day's log into the import directory, behind the
// window's two handlers: Start is mnDownloadClick, StateChanged is axFTP_StateChanged.
// It reads nothing of the window itself; the window passes its fields and carries out
// the log lines, the box and the busy flag through FtpFetchHost.
//
// The removal on the server after a fetch is told apart from the fetch: its own end
// writes "Deleted old file" (or, when the server refused, an "UNABLE TO DELETE" line),
// and the fetch counts as busy until the removal has ended, so an unattended run does
// not go on while the server still holds the file.
#pragma once

#include <memory>
#include <string>

#include "ftp/ftp_transfer.h"
#include "util/datetime.h"

namespace kestrune {

class FtpFetchHost {
 public:
  virtual ~FtpFetchHost() = default;
  // A line of the maintenance log (and the status line); with `box` also a message box
  // when the run is attended.
  virtual void LogString(const std::string& message, bool box) = 0;
  // A message box captioned "Error" with an OK button, shown in every run.
  virtual void ErrorBox(const std::string& text) = 0;
  virtual bool DownloadBusy() const = 0;
  virtual void SetDownloadBusy(bool busy) = 0;
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
  void Start(const FtpFetchSettings& settings, TDateTime now);
  // axFTP_StateChanged: 12 (completed) and 11 (error) of the running operation.
  void StateChanged(int state);
  // Cancels whatever still runs and forgets the transfer object; the next Start makes a
  // new one.
  void DropTransfer();

  const FtpFetchValues& Values() const { return values_; }
  FtpTransfer* Transfer() const { return transfer_.get(); }

 private:
  enum class Phase { Idle, Fetching, Deleting };
  void Delete();

  FtpFetchHost& host_;
  std::unique_ptr<FtpTransfer> transfer_;
  FtpFetchValues values_;
  Phase phase_ = Phase::Idle;
  bool removeDownloaded_ = false;
};

}  // namespace kestrune
