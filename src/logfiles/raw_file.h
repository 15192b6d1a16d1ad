// RawFile: an open regular file read in chunks from its start, for the byte sources of
// the line reader. Its errors name the file, with control characters escaped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace kestrune {

// No limit: a file is read up to wherever it ends when the reading gets there.
inline constexpr std::uint64_t kWholeFile = std::numeric_limits<std::uint64_t>::max();

class RawFile {
 public:
  // Opens `fileName` for reading. Throws kestrune::Error "Cannot open <file>: <reason>",
  // or "Cannot read <file>: not a regular file" for a folder, a FIFO or a device. With a
  // `limit`, no byte at or after that offset is ever read, however the file grows.
  explicit RawFile(const std::string& fileName, std::uint64_t limit = kWholeFile);
  ~RawFile();
  RawFile(RawFile&& other) noexcept;
  RawFile& operator=(RawFile&&) = delete;
  RawFile(const RawFile&) = delete;
  RawFile& operator=(const RawFile&) = delete;

  // The next bytes, at most `size`; 0 at the end of the file. Throws "Cannot read".
  std::size_t Read(char* buffer, std::size_t size);
  // Up to `size` bytes from the start of the file, without moving the read position.
  std::size_t Peek(char* buffer, std::size_t size);
  // Back to the first byte.
  void Rewind();

  // The size at the open (no more than the limit).
  std::uint64_t Size() const { return size_; }
  // Whether the file holds bytes at or after the limit now (it grew past it, or was that
  // long already); false without a limit.
  bool GoesOnPastLimit() const;
  // The file name as error texts show it.
  std::string ShownName() const;
  // Throws kestrune::Error "<what> <file>: <the system's reason for errno>".
  [[noreturn]] void Fail(const char* what) const;

 private:
  std::string fileName_;
  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::uint64_t limit_ = kWholeFile;
  std::uint64_t position_ = 0;
};

}  // namespace kestrune
