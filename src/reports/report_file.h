// Writing a finished report to disk in one go. A report replaces its target only when it
// was written completely: the content goes to a temporary file in the target's folder,
// is flushed and renamed over the target (see util/atomic_file.h). A report that cannot
// be written whole (a full disk, a quota) leaves the previous file of that name intact
// and no temporary file behind.
#pragma once

#include <string>
#include <string_view>

namespace kestrune {

enum class WriteResult { Ok, CannotCreate, CannotWrite };

// Writes `content` to `path` as described above. An existing target keeps its
// permission bits; a symbolic link is followed, so the file it names is replaced and the
// link stays. A target that exists and is not a regular file (a device, a pipe) is
// written in place, as nothing can be renamed over it.
WriteResult WriteReportFile(const std::string& path, std::string_view content);

}  // namespace kestrune
