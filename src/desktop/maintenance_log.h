// The maintenance log: a plain text file that gets one time-stamped line per step of an
// import or a fetch, "<short date> <hh:nn:ss> <message>" + CR LF. The file is opened,
// appended to and closed on every line, so it is complete after an abrupt end.
//
// No text can forge a line of its own: control characters (bytes 0x00-0x1F and 0x7F) in
// a message are written as "\x" + two upper-case hex digits ("\x0A" for a line feed,
// "\x09" for a tab), except a CR LF pair, which is kept as the line break of the
// program's own multi-line messages (the completion message). Texts from outside (file
// and directory names) go through EscapeControlCharacters(text, false) before they join
// a message, so that they cannot hold a line break of any kind. A backslash is written
// as it is.
//
// The file is opened without following a symbolic link and only when it is a regular
// file: a link, a pipe or a device in its place loses the line, as an unwritable log does.
#pragma once

#include <string>
#include <string_view>

#include "util/datetime.h"
#include "util/text.h"

namespace kestrune {

// The file name of the log inside a directory that ends with a separator.
inline constexpr std::string_view kMaintenanceLogName = "maintenance-log.txt";

// The line written for `message` at `when`: short date, blank, hh:nn:ss, blank, message
// (escaped as above, CR LF pairs inside it kept), CR LF.
std::string MaintenanceLine(TDateTime when, std::string_view message);

// Appends the line for `message` at the current local time to `path`, creating the file
// when missing. A file that cannot be opened or written loses the line: the result is
// false and nothing else happens.
bool AppendMaintenanceLine(const std::string& path, std::string_view message);

}  // namespace kestrune
