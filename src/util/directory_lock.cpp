#include "util/directory_lock.h"

namespace kestrune {

DirectoryLock::DirectoryLock(const std::string& directory)
    : lock_(FileLock::OnDirectory(directory, FileLock::Wait::kNo)) {}

}  // namespace kestrune
