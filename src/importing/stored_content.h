// What the record of stored files (storage/file_record.h) says of a file about to be
// stored, worked out inside the file's transaction, after its lock:
//   - Whole:  nothing of it is stored; store every line.
//   - Stored: this very content (under any name) is stored already; count it in memory
//             only.
//   - Grown:  its beginning is exactly a stored file of the same name (the same log,
//             grown since): store the lines after the `skipLines` stored ones.
// The file is read from its first byte to `size` (the size it had when it was looked
// at), which are the bytes the digests cover, however it grows meanwhile; the row
// written after the store describes exactly those bytes.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

#include "storage/file_record.h"

namespace kestrune {

// What tells that a file changed between the start of its read and its move: the same
// file (device and inode), of the same size and modification time.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t modifiedSeconds = 0;
  long modifiedNanoseconds = 0;

  // The identity of `path` now; nothing when it cannot be looked at.
  static std::optional<FileIdentity> Of(const std::string& path);
  bool operator==(const FileIdentity&) const = default;
};

struct StoragePlan {
  enum class Kind { Whole, Stored, Grown };
  Kind kind = Kind::Whole;
  std::uint64_t size = 0;  // the bytes to read
  std::string sha256;      // their digest
  int skipLines = 0;       // Grown: the lines stored already
  StoredFile previous;     // Stored, Grown: the row found
};

// Hashes the first `size` bytes of `path` (in one pass, with the beginnings that rows of
// the same `name` describe) and looks them up in `record`. Throws kestrune::Error when
// the file cannot be read.
StoragePlan PlanStorage(FileRecord& record, const std::string& path, const std::string& name,
                        std::uint64_t size);

}  // namespace kestrune
