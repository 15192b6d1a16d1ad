#include "logfiles/byte_source.h"

#include "logfiles/gzip_source.h"
#include "logfiles/raw_file.h"

namespace kestrune {

namespace {

class PlainSource : public ByteSource {
 public:
  explicit PlainSource(RawFile file) : file_(std::move(file)) { fileSize_ = file_.Size(); }

  std::size_t Read(char* buffer, std::size_t size) override {
    const std::size_t n = file_.Read(buffer, size);
    position_ += n;
    return n;
  }
  void Rewind() override {
    file_.Rewind();
    position_ = 0;
  }
  bool Compressed() const override { return false; }
  bool CutByLimit() const override { return file_.GoesOnPastLimit(); }
  std::uint64_t FilePosition() const override { return position_; }

 private:
  RawFile file_;
  std::uint64_t position_ = 0;
};

}  // namespace

std::unique_ptr<ByteSource> OpenByteSource(const std::string& fileName, std::uint64_t limit) {
  RawFile file(fileName, limit);
  unsigned char magic[2] = {};
  const bool gzip = file.Peek(reinterpret_cast<char*>(magic), sizeof magic) == sizeof magic &&
                    magic[0] == 0x1F && magic[1] == 0x8B;
  if (gzip) return std::make_unique<GzipSource>(std::move(file));
  return std::make_unique<PlainSource>(std::move(file));
}

}  // namespace kestrune
