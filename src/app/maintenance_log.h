// The maintenance log: a plain text file that gets one time-stamped line per step of an
// import or a fetch, "<short date> <hh:nn:ss> <message>" + CR LF. The file is opened,
// appended to and closed on every line, so it is complete after an abrupt end.
#pragma once

#include <string>
#include <string_view>

#include "util/datetime.h"

namespace kestrune {

// The file name of the log inside a directory that ends with a separator.
inline constexpr std::string_view kMaintenanceLogName = "maintenance-log.txt";

// The line written for `message` at `when`: short date, blank, hh:nn:ss, blank, message
// (unchanged, CR LF pairs inside it included), CR LF.
std::string MaintenanceLine(TDateTime when, std::string_view message);

// Appends the line for `message` at the current local time to `path`, creating the file
// when missing. A file that cannot be opened or written loses the line: the result is
// false and nothing else happens.
bool AppendMaintenanceLine(const std::string& path, std::string_view message);

}  // namespace kestrune
