#include "ftp/ftp_texts.h"

#include <algorithm>
#include <cmath>

#include "util/text.h"

namespace kestrune {

namespace {

bool Unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

void ReplaceAll(std::string& text, std::string_view what, std::string_view with) {
  if (what.empty()) return;
  for (std::size_t at = text.find(what); at != std::string::npos;
       at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
}

// Drops "user:password@" after every "://" (up to the next "/" or blank).
void DropUrlCredentials(std::string& text) {
  for (std::size_t scheme = text.find("://"); scheme != std::string::npos;
       scheme = text.find("://", scheme + 3)) {
    const std::size_t start = scheme + 3;
    std::size_t end = start;
    while (end < text.size() && text[end] != '/' && text[end] != ' ') ++end;
    const std::size_t at = text.rfind('@', end == 0 ? 0 : end - 1);
    if (at != std::string::npos && at >= start && at < end) text.erase(start, at + 1 - start);
  }
}

}  // namespace

std::string FtpFileNameFor(bool iis, TDateTime now) {
  if (!iis) return "test.log";
  return "ex" + FormatYymmdd(std::floor(now) - 1) + ".log";
}

std::string NormalizeRemoteDir(std::string_view logDir) {
  std::string dir = TrimBlanks(logDir);
  if (dir.empty()) return dir;
  if (dir.front() != '/') dir.insert(dir.begin(), '/');
  if (dir.back() != '/') dir.push_back('/');
  return dir;
}

std::string PercentEscape(std::string_view text, bool keepSlash) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (Unreserved(c) || (keepSlash && c == '/')) {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

std::string BuildFtpUrl(std::string_view user, std::string_view password, std::string_view server) {
  std::string scheme = "ftp://";
  if (StartsWithNoCase(server, "ftps://")) {
    scheme = "ftps://";
    server.remove_prefix(7);
  } else if (StartsWithNoCase(server, "ftp://")) {
    server.remove_prefix(6);
  }
  std::string host(server);
  const auto colons = std::count(host.begin(), host.end(), ':');
  if (colons >= 2 && host.find('[') == std::string::npos) host = "[" + host + "]";
  return scheme + PercentEscape(user) + ":" + PercentEscape(password) + "@" + host;
}

bool ParseFtpOperation(std::string_view text, std::string_view document, FtpOperation& out) {
  if (StartsWithNoCase(text, "DELETE ")) {
    out = FtpOperation{FtpOperation::Kind::Delete, std::string(text.substr(7)), ""};
    return !out.remotePath.empty();
  }
  if (!StartsWithNoCase(text, "Get ")) return false;
  text.remove_prefix(4);
  std::size_t end;
  if (!document.empty() && text.size() > document.size() &&
      text.substr(0, document.size()) == document && text[document.size()] == ' ') {
    end = document.size();
  } else {
    end = text.find(' ');
    if (end == std::string_view::npos) return false;
  }
  out = FtpOperation{FtpOperation::Kind::Get, std::string(text.substr(0, end)),
                     std::string(text.substr(end + 1))};
  return !out.remotePath.empty() && !out.localPath.empty();
}

std::string CleanResponseText(std::string_view text, const std::vector<std::string>& secrets) {
  std::string out(text);
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  DropUrlCredentials(out);
  for (const std::string& secret : secrets) ReplaceAll(out, secret, "***");
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string UnableToDownloadText(std::string_view remotePath, std::string_view response) {
  return ShortText("UNABLE TO DOWNLOAD " + std::string(remotePath) + "! " + std::string(response));
}

std::string UnableToDeleteText(std::string_view remotePath, std::string_view response) {
  return ShortText("UNABLE TO DELETE " + std::string(remotePath) + "! " + std::string(response));
}

}  // namespace kestrune
