// Clearing a folder of the temporary files that writers killed before their commit
// leave behind. Every file this program writes in place (reports, exports, settings,
// downloads, the copy of a file moved across file systems) is written through
// AtomicFile (util/atomic_file.h) as "." + the target's name + ".XXXXXX.part" in the
// target's folder; a process that dies before the rename leaves that file.
//
// RemoveStaleTemporaryFiles looks at the entries of `folder` itself and removes each one
// that is
//   - named exactly as AtomicFile names its temporary files (IsAtomicTemporaryName), and
//   - a regular file (a symbolic link is never followed nor removed; a folder, a FIFO or
//     a device stays), and
//   - at least `minimumAge` old, counted from the later of its last modification and its
//     last status change, so that a writer still at work keeps its file, even one whose
//     modification time was set back to an original's (util/move_file.h copies do).
// No other file is touched, whatever its age, and no subfolder is entered. The folder
// itself may be reached through a symbolic link. A folder that cannot be read removes
// nothing; a file that cannot be removed is passed over. Meant for a run that holds the
// folder's lock (util/directory_lock.h); the age keeps even an unlocked peer safe.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace kestrune {

// Older than any write of this program takes.
inline constexpr std::chrono::seconds kStaleTemporaryAge{3600};

// The names (without the folder) of the files removed, sorted.
std::vector<std::string> RemoveStaleTemporaryFiles(
    const std::string& folder, std::chrono::seconds minimumAge = kStaleTemporaryAge);

// The same, with the present time given.
std::vector<std::string> RemoveStaleTemporaryFiles(const std::string& folder,
                                                   std::chrono::seconds minimumAge,
                                                   std::chrono::system_clock::time_point now);

}  // namespace kestrune
