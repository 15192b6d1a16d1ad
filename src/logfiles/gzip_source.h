// GzipSource: the text of a gzip-compressed file, inflated as a stream through zlib:
// one member after the other (as `cat a.gz b.gz` leaves them), NUL padding between or
// after members passed over. A damaged member, a member cut short, or bytes after a
// member that begin no other one are "Invalid compressed data in <file>: <reason>".
#pragma once

#include <zlib.h>

#include <memory>
#include <string>

#include "logfiles/byte_source.h"
#include "logfiles/raw_file.h"

namespace kestrune {

class GzipSource : public ByteSource {
 public:
  static constexpr std::size_t kInputBufferSize = 64 * 1024;

  explicit GzipSource(RawFile file);
  ~GzipSource() override;

  std::size_t Read(char* buffer, std::size_t size) override;
  void Rewind() override;
  bool Compressed() const override { return true; }
  std::uint64_t FilePosition() const override { return taken_ - stream_.avail_in; }

 private:
  bool TakeInput();  // the next chunk of the file; false at its end
  [[noreturn]] void Invalid(const char* reason) const;

  RawFile file_;
  z_stream stream_{};
  std::unique_ptr<unsigned char[]> input_;
  std::uint64_t taken_ = 0;  // bytes read from the file
  bool inMember_ = false;    // a member has begun and not yet ended
  std::string failure_;      // the damage met after the output last handed out
};

}  // namespace kestrune
