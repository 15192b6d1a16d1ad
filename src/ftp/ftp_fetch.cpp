#include "ftp/ftp_fetch.h"

#include "ftp/ftp_texts.h"
#include "util/path.h"
#include "util/text.h"

namespace kestrune {

void FtpFetch::Start(const FtpFetchSettings& settings, TDateTime now) {
  if (busy_) return;
  if (!transfer_) {
    transfer_ = host_.CreateTransfer();
  } else if (transfer_->StillExecuting()) {
    host_.LogString("Still executing an FTP command", true);
    return;
  }
  values_.localDir = ShortText(AddBackslash(TrimBlanks(ExtractDir(settings.importPath))));
  values_.remoteDir = ShortText(TrimBlanks(settings.logDir));
  values_.fileName = FtpFileNameFor(settings.iis, now);
  const std::string localPath = values_.localDir + values_.fileName;
  if (FileExists(localPath)) {
    host_.LogString(localPath + " already exist.", true);
    return;
  }
  if (values_.remoteDir.empty()) {
    host_.ErrorBox("No FTP path given");
    return;
  }
  values_.remoteDir = ShortText(NormalizeRemoteDir(values_.remoteDir));
  transfer_->SetDocument(values_.remoteDir + values_.fileName);
  transfer_->SetPassword(settings.password);
  transfer_->SetUserName(settings.user);
  values_.url = BuildFtpUrl(settings.user, settings.password, settings.server);
  transfer_->SetURL(values_.url);
  transfer_->SetOnStateChanged([this](int state) { host_.FtpStateChanged(state); });
  values_.command = "Get " + transfer_->Document() + " " + localPath;
  host_.LogString("Downloading file " + localPath + " ..", false);
  busy_ = true;
  phase_ = Phase::Fetching;
  removeDownloaded_ = settings.removeDownloaded;
  try {
    transfer_->Execute(values_.url, values_.command);
  } catch (const FtpRefused&) {
    // Not started: the fetch ends here, silently; the wait of DOWNLOAD ends at once.
    phase_ = Phase::Idle;
    busy_ = false;
  }
}

void FtpFetch::StateChanged(int state) {
  if (state != FtpTransfer::kResponseCompleted && state != FtpTransfer::kError) return;
  const std::string remotePath = values_.remoteDir + values_.fileName;
  const std::string response = transfer_ ? transfer_->ResponseText() : std::string();
  switch (phase_) {
    case Phase::Idle:
      return;
    case Phase::Fetching:
      if (state == FtpTransfer::kError) {
        phase_ = Phase::Idle;
        host_.LogString(UnableToDownloadText(remotePath, response), true);
        busy_ = false;
        return;
      }
      host_.LogString("File " + values_.fileName + " downloaded.", true);
      if (removeDownloaded_) {
        Delete();
      } else {
        phase_ = Phase::Idle;
        busy_ = false;
      }
      return;
    case Phase::Deleting:
      phase_ = Phase::Idle;
      if (state == FtpTransfer::kResponseCompleted)
        host_.LogString("Deleted old file", true);
      else
        host_.LogString(UnableToDeleteText(remotePath, response), true);
      busy_ = false;
      return;
  }
}

void FtpFetch::Delete() {
  phase_ = Phase::Deleting;
  const std::string remotePath = values_.remoteDir + values_.fileName;
  try {
    transfer_->Execute(values_.url, "DELETE " + remotePath);
  } catch (const FtpRefused& refused) {
    phase_ = Phase::Idle;
    host_.LogString(UnableToDeleteText(remotePath, refused.what()), true);
    busy_ = false;
  }
}

bool FtpFetch::Wait(std::chrono::milliseconds limit) {
  const auto started = std::chrono::steady_clock::now();
  while (busy_) {
    host_.ProcessMessages();
    if (busy_ && std::chrono::steady_clock::now() - started > limit) {
      host_.LogString("Aborting download", false);
      busy_ = false;
      return false;
    }
  }
  return true;
}

void FtpFetch::DropTransfer() {
  transfer_.reset();
  phase_ = Phase::Idle;
}

}  // namespace kestrune
