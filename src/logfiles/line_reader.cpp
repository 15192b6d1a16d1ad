#include "logfiles/line_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "util/error.h"
#include "util/text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestrune {

namespace {

// The first CR, LF or NUL in [p, end), or `end`.
const char* FindLineEnd(const char* p, const char* end) {
#if defined(__SSE2__)
  // All three codes are at most 13: blocks without such a byte are passed over with one
  // comparison; a block with one is looked at closely.
  const __m128i thirteen = _mm_set1_epi8(13);
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i nul = _mm_setzero_si128();
  while (end - p >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(v, thirteen), v)) != 0) {
      const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)),
                                       _mm_cmpeq_epi8(v, nul));
      const int mask = _mm_movemask_epi8(hit);
      if (mask != 0) return p + __builtin_ctz(static_cast<unsigned>(mask));
    }
    p += 16;
  }
#endif
  for (; p < end; ++p)
    if (*p == '\r' || *p == '\n' || *p == '\0') return p;
  return end;
}

}  // namespace

LineReader::LineReader(const std::string& fileName, std::size_t maxLineLength,
                       std::size_t bufferSize)
    : fileName_(fileName),
      maxLineLength_(maxLineLength),
      bufferSize_(std::max<std::size_t>(bufferSize, 1)),
      buffer_(new char[bufferSize_]),
      carry_(new char[maxLineLength_ + 1]) {
  // Non-blocking, so that a FIFO under the name cannot hang the open; only regular
  // files are read.
  fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) Fail("Cannot open");
  struct stat info {};
  const bool statted = ::fstat(fd_, &info) == 0;
  if (!statted || !S_ISREG(info.st_mode)) {
    const int code = errno;
    ::close(fd_);
    fd_ = -1;
    throw Error("Cannot read " + EscapeControlCharacters(fileName_, false) + ": " +
                (statted ? "not a regular file" : std::strerror(code)));
  }
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
}

LineReader::~LineReader() {
  if (fd_ >= 0) ::close(fd_);
}

void LineReader::Fail(const char* what) const {
  throw Error(std::string(what) + " " + EscapeControlCharacters(fileName_, false) + ": " +
              std::strerror(errno));
}

bool LineReader::Fill() {
  if (endOfFile_) return false;
  for (;;) {
    const ssize_t n = ::read(fd_, buffer_.get(), bufferSize_);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot read");
    }
    if (n == 0) {
      endOfFile_ = true;
      return false;
    }
    pos_ = 0;
    end_ = static_cast<std::size_t>(n);
    return true;
  }
}

void LineReader::Rewind() {
  if (::lseek(fd_, 0, SEEK_SET) < 0) Fail("Cannot read");
  pos_ = end_ = 0;
  endOfFile_ = endOfText_ = false;
  pending_ = Pending::kNothing;
}

int LineReader::CountLines() {
  Rewind();
  int count = 0;
  std::string_view line;
  while (Next(line)) ++count;
  Rewind();
  return count;
}

bool LineReader::Next(std::string_view& line) {
  if (endOfText_) return false;
  bool carrying = false;  // part of the line has been seen in an earlier chunk
  std::size_t carried = 0;
  for (;;) {
    if (pos_ == end_ && !Fill()) {
      endOfText_ = true;
      if (!carrying) return false;
      line = std::string_view(carry_.get(), carried);  // last line without a line end
      return true;
    }
    const char* base = buffer_.get();
    if (pending_ != Pending::kNothing) [[unlikely]] {
      if (pending_ == Pending::kLf) {
        pending_ = Pending::kNothing;
        if (base[pos_] == '\n') {
          ++pos_;
          continue;
        }
      } else {
        // The rest of a NUL run (it may go on in the next chunk), then one line end.
        const char* p = base + pos_;
        const char* const chunkEnd = base + end_;
        while (p < chunkEnd && *p == '\0') ++p;
        pos_ = static_cast<std::size_t>(p - base);
        if (p == chunkEnd) continue;
        pending_ = Pending::kNothing;
        if (*p == '\n' || *p == '\r') {
          ++pos_;
          if (*p == '\r') pending_ = Pending::kLf;
          continue;
        }
      }
    }
    const char* start = base + pos_;
    const char* stop = FindLineEnd(start, base + end_);
    const std::size_t length = static_cast<std::size_t>(stop - start);
    if (stop == base + end_) {
      // No line end in this chunk: keep what the cut leaves of it and read on.
      const std::size_t take = std::min(length, maxLineLength_ - carried);
      std::memcpy(carry_.get() + carried, start, take);
      carried += take;
      carrying = true;
      pos_ = end_;
      continue;
    }
    const char terminator = *stop;
    pos_ = static_cast<std::size_t>(stop - base) + 1;
    if (terminator == '\0') [[unlikely]] {
      pending_ = Pending::kNulRun;
      if (length == 0 && !carrying) continue;  // a run at the start of a line
    } else if (terminator == '\r') {
      if (pos_ < end_) {
        if (base[pos_] == '\n') ++pos_;
      } else {
        pending_ = Pending::kLf;
      }
    }
    if (carrying) {
      const std::size_t take = std::min(length, maxLineLength_ - carried);
      std::memcpy(carry_.get() + carried, start, take);
      line = std::string_view(carry_.get(), carried + take);
    } else {
      line = std::string_view(start, std::min(length, maxLineLength_));
    }
    return true;
  }
}

}  // namespace kestrune
