#include "logfiles/gzip_source.h"

#include <algorithm>
#include <cerrno>
#include <climits>

#include "util/error.h"

namespace kestrune {

namespace {

// zlib's window of 32 KiB, gzip wrapping only.
constexpr int kGzipWindowBits = 16 + MAX_WBITS;

const char* ReasonOf(int result) {
  switch (result) {
    case Z_NEED_DICT:
      return "a preset dictionary is needed";
    case Z_DATA_ERROR:
      return "corrupt data";
    case Z_STREAM_ERROR:
      return "inconsistent stream";
    default:
      return "unknown zlib error";
  }
}

}  // namespace

GzipSource::GzipSource(RawFile file)
    : file_(std::move(file)), input_(new unsigned char[kInputBufferSize]) {
  fileSize_ = file_.Size();
  if (inflateInit2(&stream_, kGzipWindowBits) != Z_OK) {
    errno = ENOMEM;
    file_.Fail("Cannot read");
  }
}

GzipSource::~GzipSource() {
  inflateEnd(&stream_);
}

void GzipSource::Invalid(const char* reason) const {
  throw Error("Invalid compressed data in " + file_.ShownName() + ": " + reason);
}

bool GzipSource::TakeInput() {
  const std::size_t n = file_.Read(reinterpret_cast<char*>(input_.get()), kInputBufferSize);
  stream_.next_in = input_.get();
  stream_.avail_in = static_cast<uInt>(n);
  taken_ += n;
  return n != 0;
}

void GzipSource::Rewind() {
  file_.Rewind();
  stream_.next_in = input_.get();
  stream_.avail_in = 0;
  taken_ = 0;
  inMember_ = false;
  failure_.clear();
}

std::size_t GzipSource::Read(char* buffer, std::size_t size) {
  if (!failure_.empty()) Invalid(failure_.c_str());
  const auto room = static_cast<uInt>(std::min<std::size_t>(size, UINT_MAX));
  stream_.next_out = reinterpret_cast<Bytef*>(buffer);
  stream_.avail_out = room;
  // Until something comes out: a member's header, an empty member or padding give
  // nothing by themselves.
  while (stream_.avail_out == room) {
    if (stream_.avail_in == 0 && !TakeInput()) {
      if (inMember_) Invalid("unexpected end of file");
      break;
    }
    if (!inMember_) {
      while (stream_.avail_in != 0 && *stream_.next_in == 0) {
        ++stream_.next_in;
        --stream_.avail_in;
      }
      if (stream_.avail_in == 0) continue;
      // Whatever else follows must be the next member; inflate checks its header.
      if (inflateReset(&stream_) != Z_OK) Invalid(ReasonOf(Z_STREAM_ERROR));
      inMember_ = true;
    }
    const int result = inflate(&stream_, Z_NO_FLUSH);
    if (result == Z_STREAM_END) {
      inMember_ = false;
    } else if (result == Z_MEM_ERROR) {
      errno = ENOMEM;
      file_.Fail("Cannot read");
    } else if (result != Z_OK && !(result == Z_BUF_ERROR && stream_.avail_in == 0)) {
      // What came out before the damage is handed out first; the next read fails.
      failure_ = stream_.msg != nullptr ? stream_.msg : ReasonOf(result);
      if (stream_.avail_out == room) Invalid(failure_.c_str());
      break;
    }
  }
  return room - stream_.avail_out;
}

}  // namespace kestrune
