// libFuzzer target: the cleaning of an FTP server's reply and the operation texts. The
// first input line is the password, the rest the reply (what any server may send).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ftp/ftp_texts.h"
#include "util/text.h"

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool initialised = (InitLocaleFromEnvironment(), true);
  (void)initialised;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t newline = input.find('\n');
  const std::string password(input.substr(0, newline == std::string_view::npos ? 0 : newline));
  const std::string_view reply =
      newline == std::string_view::npos ? input : input.substr(newline + 1);

  const std::string escaped = PercentEscape(password);
  const std::string cleaned = CleanResponseText(reply, {password, escaped});
  // One line, and never the password (one that is part of the mask itself aside).
  if (cleaned.find('\r') != std::string::npos || cleaned.find('\n') != std::string::npos)
    std::abort();
  if (!password.empty() && password.find('*') == std::string::npos &&
      password.find('\r') == std::string::npos && cleaned.find(password) != std::string::npos)
    std::abort();
  if (UnableToDownloadText("/logs/x.log", cleaned).size() > kShortTextMax) std::abort();
  // The address of any credentials keeps the password only in its escaped form.
  const std::string url = BuildFtpUrl(password, password, "host");
  if (!password.empty() && url.find(escaped) == std::string::npos) std::abort();
  if (url.find('@') != url.rfind('@')) std::abort();

  FtpOperation op;
  if (ParseFtpOperation(reply, password, op) &&
      (op.remotePath.empty() || (op.kind == FtpOperation::Kind::Get && op.localPath.empty())))
    std::abort();
  return 0;
}
