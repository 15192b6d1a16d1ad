// The texts of a fetch that need no window and no connection: the name of the log to
// fetch, the remote directory, the address of the server with its credentials, the
// operation texts of the transfer object and the cleaning of a server's reply.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "util/datetime.h"

namespace kestrune {

// The log to fetch on the day of `now`: for IIS logs "ex" + the day before as "yymmdd"
// + ".log"; otherwise "test.log".
std::string FtpFileNameFor(bool iis, TDateTime now);

// The remote directory as set (blanks trimmed) made to begin and end with "/"; empty
// stays empty (no directory given).
std::string NormalizeRemoteDir(std::string_view logDir);

// Percent-escapes every byte but the unreserved ones (letters, digits, "-._~"); with
// `keepSlash` a "/" stays as it is (for paths).
std::string PercentEscape(std::string_view text, bool keepSlash = false);

// The address of the server with its credentials: "ftp://" + user + ":" + password + "@"
// + server, user name and password percent-escaped so that "@", ":", "/" and "%" in them
// never break it. A server given as "ftps://host" keeps that scheme (explicit TLS); a
// leading "ftp://" is not doubled; a bare IPv6 address is put in brackets. A port
// follows the host as usual ("host:2121", "[::1]:2121").
std::string BuildFtpUrl(std::string_view user, std::string_view password, std::string_view server);

// An operation text of the transfer object taken apart.
struct FtpOperation {
  enum class Kind { Get, Delete };
  Kind kind = Kind::Get;
  std::string remotePath;
  std::string localPath;  // Get only
};

// Parses "Get " + remote path + " " + local path or "DELETE " + remote path (the verb in
// any letter case). The remote path ends at `document` when the text continues with it
// and a blank (so a remote path may hold blanks), else at the first blank; the local
// path is the rest, blanks included. False for any other text.
bool ParseFtpOperation(std::string_view text, std::string_view document, FtpOperation& out);

// `text` on one line (CR and LF become blanks, trailing blanks go) with every secret of
// `secrets` (the password, raw and escaped) replaced by "***" and the credentials of any
// "scheme://user:password@" dropped, so a reply or an error that echoes the address
// never shows the password.
std::string CleanResponseText(std::string_view text, const std::vector<std::string>& secrets);

// The log line of a fetch that failed: "UNABLE TO DOWNLOAD " + remote path + "! " +
// response, cut to 255 characters.
std::string UnableToDownloadText(std::string_view remotePath, std::string_view response);
// The same for a failed removal on the server: "UNABLE TO DELETE " ...
std::string UnableToDeleteText(std::string_view remotePath, std::string_view response);

}  // namespace kestrune
