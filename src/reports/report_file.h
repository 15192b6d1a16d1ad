// Writing a finished report to disk in one go. A report replaces its target only when it
// was written completely: the content goes to a temporary file in the target's folder,
// is flushed and renamed over the target (see util/atomic_file.h). A report that cannot
// be written whole (a full disk, a quota) leaves the previous file of that name intact
// and no temporary file behind.
#pragma once

#include <string>
#include <string_view>

namespace kestrune {

enum class WriteResult { Ok, CannotCreate, CannotWrite, SymbolicLink };

// Writes `content` to `path` as described above. An existing target keeps its
// permission bits. A target that is a symbolic link is refused (SymbolicLink) before
// anything is written: neither the link nor the file it names changes. A target that
// exists and is not a regular file (a device, a pipe) is written in place, as nothing
// can be renamed over it.
WriteResult WriteReportFile(const std::string& path, std::string_view content);

// "<file> is a symbolic link; not written" when `path` is a symbolic link, which no
// writer of reports writes to; empty otherwise. For callers that tell the reason of a
// failed text or XML report, whose writers answer only true or false.
std::string ReportTargetRefusal(const std::string& path);

}  // namespace kestrune
