// ByteSource: the bytes of a log file as the line reader sees them. A file that begins
// with the gzip magic (1F 8B), whatever its name, is read as the text its gzip members
// inflate to, one after the other, streamed through zlib with fixed buffers (no
// temporary file; memory does not grow with the file); any other file is read as it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "logfiles/raw_file.h"

namespace kestrune {

class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // Copies the next bytes into `buffer` (at most `size`, at least one unless the text
  // has ended) and returns how many; 0 at the end of the text. Throws kestrune::Error
  // "Cannot read <file>: <reason>" when the file cannot be read, and, for a compressed
  // file, "Invalid compressed data in <file>: <reason>" when its content is damaged or
  // cut short.
  virtual std::size_t Read(char* buffer, std::size_t size) = 0;

  // Starts again at the first byte of the text.
  virtual void Rewind() = 0;

  // Whether the text is inflated from gzip members.
  virtual bool Compressed() const = 0;

  // Whether the limit of the open cut the text short: the file goes on after it. Always
  // false for a compressed file, whose limit cannot fall between two of its lines.
  virtual bool CutByLimit() const { return false; }

  // The file's size in bytes, and how many of them have been taken in so far (for a
  // compressed file these are the compressed bytes).
  std::uint64_t FileSize() const { return fileSize_; }
  virtual std::uint64_t FilePosition() const = 0;

 protected:
  std::uint64_t fileSize_ = 0;
};

// Opens `fileName` (a regular file; a FIFO under the name cannot hang the open) and
// returns the source that fits its content: the file's first `limit` bytes at most. Throws
// kestrune::Error "Cannot open <file>: <reason>" or "Cannot read <file>: <reason>" (also "not a
// regular file").
std::unique_ptr<ByteSource> OpenByteSource(const std::string& fileName,
                                           std::uint64_t limit = kWholeFile);

}  // namespace kestrune
