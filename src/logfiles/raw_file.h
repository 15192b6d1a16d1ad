// RawFile: an open regular file read in chunks from its start, for the byte sources of
// the line reader. Its errors name the file, with control characters escaped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrune {

class RawFile {
 public:
  // Opens `fileName` for reading. Throws kestrune::Error "Cannot open <file>: <reason>",
  // or "Cannot read <file>: not a regular file" for a folder, a FIFO or a device.
  explicit RawFile(const std::string& fileName);
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

  std::uint64_t Size() const { return size_; }
  // The file name as error texts show it.
  std::string ShownName() const;
  // Throws kestrune::Error "<what> <file>: <the system's reason for errno>".
  [[noreturn]] void Fail(const char* what) const;

 private:
  std::string fileName_;
  int fd_ = -1;
  std::uint64_t size_ = 0;
};

}  // namespace kestrune
