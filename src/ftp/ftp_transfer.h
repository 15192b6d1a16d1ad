// FtpTransfer: the asynchronous transfer object of the fetch, on libcurl. Execute takes
// the address of the server with its credentials and an operation text ("Get " + remote
// path + " " + local path, or "DELETE " + remote path), starts it on a worker thread and
// returns at once; the end of the operation is reported as a state, 12 (the response
// has completed) or 11 (an error occurred), through the poster given at construction,
// so that it arrives on the owner's thread (see gui_delivery.h for the window's). The
// server's last reply, or the reason of a failure, is the response text.
//
// A fetched file is written under a temporary name beside its target (one that no
// "*.log" mask lists) and renamed at the end of a complete transfer, never over an
// existing file; a failed or aborted transfer leaves nothing. An address beginning with
// "ftps://" asks for explicit TLS (AUTH TLS, required on both connections, certificates
// verified); "ftp://" is plain FTP. Transfers are passive.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

namespace kestrune {

// Execute refused to start an operation.
class FtpRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class FtpTransfer {
 public:
  static constexpr int kResponseCompleted = 12;
  static constexpr int kError = 11;

  // Hands a function to the owner's thread; called on the worker thread.
  using Poster = std::function<void(std::function<void()>)>;

  struct Options {
    // The certificate authorities to verify a TLS server against; empty: the system's.
    std::string caFile;
    // A connection not made, a reply not given, or a transfer slower than one byte a
    // second for this long ends the operation with an error. Longer than the 25-second
    // wait of an unattended run, which cancels first and says "Aborting download"; these
    // only keep a transfer from hanging for ever.
    std::chrono::seconds connectTimeout{30};
    std::chrono::seconds responseTimeout{60};
    std::chrono::seconds stallTimeout{60};
  };

  // The options of the program: the system's CAs, unless KESTRUNE_CA_FILE names a file
  // of CA certificates to trust instead.
  static Options DefaultOptions();

  explicit FtpTransfer(Poster post, Options options = DefaultOptions());
  // Aborts a running operation and waits for its thread; no state follows.
  ~FtpTransfer();
  FtpTransfer(const FtpTransfer&) = delete;
  FtpTransfer& operator=(const FtpTransfer&) = delete;

  // The handler of the state changes; called on the owner's thread.
  void SetOnStateChanged(std::function<void(int state)> handler);

  // The remote path of the following "Get" (lets a remote path hold blanks).
  void SetDocument(std::string document) { document_ = std::move(document); }
  const std::string& Document() const { return document_; }
  // Credentials used when the address carries none.
  void SetUserName(std::string user) { user_ = std::move(user); }
  void SetPassword(std::string password) { password_ = std::move(password); }
  void SetURL(std::string url) { url_ = std::move(url); }
  const std::string& URL() const { return url_; }

  // True from Execute until the operation has ended (before its state is posted).
  bool StillExecuting() const { return running_; }

  // Starts `operation` against the server of `url`. Throws FtpRefused (and starts
  // nothing) while an operation runs, for an address that is not an "ftp://" or
  // "ftps://" address, and for an operation text of neither form.
  void Execute(const std::string& url, const std::string& operation);

  // After a failure, the server's reply to the command it refused when the failure is
  // such a refusal, else libcurl's reason (a time-out, a cut connection); after a
  // success, the last reply. Never holding the password.
  std::string ResponseText() const;

  // Cancels the running operation (its temporary file removed) and waits for it; no
  // state is delivered for it, not even one already posted when the operation ended just
  // before. Called on the owner's thread.
  void Abort();

 private:
  struct Job;
  void Run(const Job& job);
  void Finish(bool ok, std::string response, unsigned operation);
  void Join();

  Poster post_;
  Options options_;
  std::function<void(int)> handler_;
  std::string document_, user_, password_, url_;

  std::thread worker_;
  std::atomic<bool> running_{false};
  std::atomic<bool> abort_{false};
  // The number of the current operation; Abort moves it on, so that a state posted for
  // an aborted operation is dropped where it is delivered, on the owner's thread.
  std::atomic<unsigned> operation_{0};
  // Cleared when the object goes, so that a state already posted is not delivered.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  mutable std::mutex mutex_;
  std::string response_;
};

}  // namespace kestrune
