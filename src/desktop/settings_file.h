// The settings file on disk: read whole, and changed by a locked read-modify-write.
//
// A change takes the exclusive lock on "<file>.lock" (util/file_lock.h: never through a
// symbolic link), reads the file, applies the change and, when it modified the hive or
// the file was damaged, writes the whole hive to a temporary file that replaces the file
// atomically (util/atomic_file.h) with mode 0600. A damaged file is first kept aside
// under "<file>.damaged-<time>" (never overwriting an earlier copy). Temporary files of
// writers that died before their rename are removed under the lock. Missing folders of
// the file are created private to the user (0700).
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "desktop/settings_hive.h"

namespace kestrune {

struct SettingsFileContent {
  enum class State { kMissing, kOk, kDamaged };
  // kDamaged: the file could not be read (then `hive` is empty), or had unreadable lines
  // (then `hive` holds every readable value). An empty file is an empty store.
  State state = State::kMissing;
  Hive hive;
  std::size_t skippedLines = 0;
};

SettingsFileContent ReadSettingsFile(const std::string& path);

// Runs `change` on the stored hive under the lock; it returns false to refuse (nothing
// is written) and sets `modified` when it changed the hive. `seen` is told what was read
// before `change` runs. False when the file could not be locked, kept aside or written.
bool ChangeSettingsFile(const std::string& path,
                        const std::function<bool(Hive& hive, bool& modified)>& change,
                        const std::function<void(const SettingsFileContent&)>& seen);

}  // namespace kestrune
