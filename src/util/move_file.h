// Moving a file the way the platform's own move does: a rename where it can, and across
// file systems (a folder that is a mount or a link to another disk) a copy written under
// a temporary name in the target's folder, flushed, renamed onto the target, and only
// then the original removed. The target is replaced when it exists.
#pragma once

#include <string>

namespace kestrune {

// Moves `from` to `to`; false with `error` set to the system's reason when the file could
// not be moved. On failure the original stays where it was and no partial copy is left;
// a copy keeps the original's permission bits and modification time.
bool MoveFile(const std::string& from, const std::string& to, std::string& error);

}  // namespace kestrune
