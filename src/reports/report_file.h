// Writing a finished report to disk in one go. The file is created new (an existing
// file of that name is replaced); the result says whether it could be created and
// whether every byte reached the disk.
#pragma once

#include <string>
#include <string_view>

namespace kestrune {

enum class WriteResult { Ok, CannotCreate, CannotWrite };

// Creates `path` and writes `content` whole, then flushes it to the disk and closes it.
// On CannotWrite the part already written stays in the file.
WriteResult WriteReportFile(const std::string& path, std::string_view content);

}  // namespace kestrune
