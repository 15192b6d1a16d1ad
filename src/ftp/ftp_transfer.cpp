#include "ftp/ftp_transfer.h"

#include <curl/curl.h>

#include <cstdlib>
#include <vector>

#include "ftp/ftp_texts.h"
#include "util/atomic_file.h"
#include "util/text.h"

namespace kestrune {

namespace {

std::once_flag curlInitialised;

struct CurlFree {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
  void operator()(char* text) const { curl_free(text); }
};
using CurlText = std::unique_ptr<char, CurlFree>;

// One part of a parsed address; empty when it is not there.
std::string UrlPart(CURLU* url, CURLUPart part, unsigned flags = 0) {
  char* text = nullptr;
  if (curl_url_get(url, part, &text, flags) != CURLUE_OK || text == nullptr) return {};
  return CurlText(text).get();
}

bool IsReplyCode(const std::string& line) {
  return line.size() >= 3 && (line[0] == '4' || line[0] == '5') && line[1] >= '0' &&
         line[1] <= '9' && line[2] >= '0' && line[2] <= '9';
}

struct Dialogue {
  const std::atomic<bool>* abort = nullptr;
  AtomicFile* file = nullptr;
  std::string writeError;
  std::string lastReply;
};

// A command going out: the reply to look at from now on is the one to it.
int OnDebug(CURL*, curl_infotype type, char*, size_t, void* user) {
  if (type == CURLINFO_HEADER_OUT) static_cast<Dialogue*>(user)->lastReply.clear();
  return 0;
}

// The results by which libcurl says that the server refused a command: its reply tells
// why. Any other failure (no connection, a time-out, a cut transfer) is told by libcurl.
bool IsServerRefusal(CURLcode code) {
  switch (code) {
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_LOGIN_DENIED:
    case CURLE_QUOTE_ERROR:
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_FTP_COULDNT_SET_TYPE:
    case CURLE_FTP_COULDNT_USE_REST:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_SERVER_REPLY:
    case CURLE_FTP_PRET_FAILED:
    case CURLE_USE_SSL_FAILED:
      return true;
    default:
      return false;
  }
}

size_t OnReply(char* data, size_t size, size_t count, void* user) {
  auto* dialogue = static_cast<Dialogue*>(user);
  std::string line(data, size * count);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  if (!line.empty()) dialogue->lastReply = line;
  return size * count;
}

size_t OnData(char* data, size_t size, size_t count, void* user) {
  auto* dialogue = static_cast<Dialogue*>(user);
  if (*dialogue->abort || dialogue->file == nullptr) return 0;
  std::string error;
  if (!dialogue->file->Write(std::string_view(data, size * count), error)) {
    dialogue->writeError = "Cannot write " + dialogue->file->Target() + ": " + error;
    return 0;
  }
  return size * count;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return *static_cast<Dialogue*>(user)->abort ? 1 : 0;
}

}  // namespace

struct FtpTransfer::Job {
  FtpOperation operation;
  std::string base;  // "ftp://host[:port]", no credentials
  bool tls = false;
  std::string user, password;
  std::vector<std::string> secrets;
  unsigned number = 0;  // operation_ when it started
};

FtpTransfer::Options FtpTransfer::DefaultOptions() {
  Options options;
  if (const char* ca = std::getenv("KESTRUNE_CA_FILE"); ca != nullptr && *ca != '\0')
    options.caFile = ca;
  return options;
}

FtpTransfer::FtpTransfer(Poster post, Options options)
    : post_(std::move(post)), options_(std::move(options)) {
  std::call_once(curlInitialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

FtpTransfer::~FtpTransfer() {
  *alive_ = false;
  Abort();
}

void FtpTransfer::SetOnStateChanged(std::function<void(int state)> handler) {
  handler_ = std::move(handler);
}

void FtpTransfer::Execute(const std::string& url, const std::string& operation) {
  if (running_) throw FtpRefused("Still executing an FTP command");
  Job job;
  if (!ParseFtpOperation(operation, document_, job.operation))
    throw FtpRefused("Unknown FTP operation");
  std::unique_ptr<CURLU, CurlFree> parsed(curl_url());
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
    throw FtpRefused("Not a valid FTP address");
  const std::string scheme = LowerCase(UrlPart(parsed.get(), CURLUPART_SCHEME));
  const std::string host = UrlPart(parsed.get(), CURLUPART_HOST);
  if ((scheme != "ftp" && scheme != "ftps") || host.empty())
    throw FtpRefused("Not a valid FTP address");
  job.tls = scheme == "ftps";
  const std::string port = UrlPart(parsed.get(), CURLUPART_PORT);
  job.base = "ftp://" + host + (port.empty() ? "" : ":" + port);
  char* user = nullptr;
  if (curl_url_get(parsed.get(), CURLUPART_USER, &user, CURLU_URLDECODE) == CURLUE_OK && user) {
    job.user = CurlText(user).get();
    job.password = UrlPart(parsed.get(), CURLUPART_PASSWORD, CURLU_URLDECODE);
  } else {
    job.user = user_;
    job.password = password_;
  }
  if (!job.password.empty()) {
    job.secrets = {job.password, PercentEscape(job.password)};
  }

  Join();
  abort_ = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    response_.clear();
  }
  job.number = operation_;
  running_ = true;
  worker_ = std::thread([this, job = std::move(job)] { Run(job); });
}

void FtpTransfer::Run(const Job& job) {
  std::unique_ptr<CURL, CurlFree> curl(curl_easy_init());
  if (!curl) {
    Finish(false, "Cannot start a transfer", job.number);
    return;
  }
  CURL* c = curl.get();
  char errorText[CURL_ERROR_SIZE] = {0};
  Dialogue dialogue;
  dialogue.abort = &abort_;

  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "ftp");
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(c, CURLOPT_USERNAME, job.user.c_str());
  curl_easy_setopt(c, CURLOPT_PASSWORD, job.password.c_str());
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(options_.connectTimeout.count()));
  curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                   static_cast<long>(options_.responseTimeout.count()));
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, static_cast<long>(options_.stallTimeout.count()));
  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, OnReply);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, &dialogue);
  // The debug function sees each command sent; it is called only when verbose, and
  // having one keeps libcurl from printing anything.
  curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, OnDebug);
  curl_easy_setopt(c, CURLOPT_DEBUGDATA, &dialogue);
  curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, OnProgress);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, &dialogue);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, OnData);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &dialogue);
  // The full path in one command, so an absolute remote path means what it says.
  curl_easy_setopt(c, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
  if (job.tls) {
    curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    if (!options_.caFile.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, options_.caFile.c_str());
  }

  const auto reason = [&](CURLcode code) {
    if (!dialogue.writeError.empty()) return dialogue.writeError;
    if (IsServerRefusal(code) && IsReplyCode(dialogue.lastReply)) return dialogue.lastReply;
    return std::string(errorText[0] != '\0' ? errorText : curl_easy_strerror(code));
  };
  const auto clean = [&](const std::string& text) { return CleanResponseText(text, job.secrets); };

  if (job.operation.kind == FtpOperation::Kind::Delete) {
    std::unique_ptr<curl_slist, CurlFree> commands(
        curl_slist_append(nullptr, ("DELE " + job.operation.remotePath).c_str()));
    const std::string url = job.base + "/";
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(c, CURLOPT_QUOTE, commands.get());
    const CURLcode code = curl_easy_perform(c);
    Finish(code == CURLE_OK, clean(code == CURLE_OK ? dialogue.lastReply : reason(code)),
           job.number);
    return;
  }

  AtomicFile file(job.operation.localPath);
  std::string error;
  if (!file.Open(error, 0644)) {
    Finish(false, clean("Cannot write " + job.operation.localPath + ": " + error), job.number);
    return;
  }
  dialogue.file = &file;
  const std::string url = job.base + "/" + PercentEscape(job.operation.remotePath, true);
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  const CURLcode code = curl_easy_perform(c);
  if (code != CURLE_OK) {
    file.Discard();
    Finish(false, clean(reason(code)), job.number);
  } else if (!file.Commit(error, AtomicFile::Existing::Keep)) {
    Finish(false, clean("Cannot create " + job.operation.localPath + ": " + error), job.number);
  } else {
    Finish(true, clean(dialogue.lastReply), job.number);
  }
}

void FtpTransfer::Finish(bool ok, std::string response, unsigned operation) {
  if (abort_) {
    running_ = false;
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    response_ = std::move(response);
  }
  running_ = false;
  const int state = ok ? kResponseCompleted : kError;
  // An Abort may still come between the test above and the delivery: the number says.
  post_([this, alive = alive_, state, operation] {
    if (*alive && operation_ == operation && handler_) handler_(state);
  });
}

std::string FtpTransfer::ResponseText() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return response_;
}

void FtpTransfer::Abort() {
  ++operation_;
  abort_ = true;
  Join();
  running_ = false;
}

void FtpTransfer::Join() {
  if (worker_.joinable()) worker_.join();
}

}  // namespace kestrune
