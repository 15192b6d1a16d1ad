#include "logfiles/line_reader.h"

#include <algorithm>
#include <cstring>

#include "logfiles/byte_source.h"

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
                       std::size_t bufferSize, std::uint64_t byteLimit)
    : source_(OpenByteSource(fileName, byteLimit)),
      maxLineLength_(maxLineLength),
      bufferSize_(std::max<std::size_t>(bufferSize, 1)),
      buffer_(new char[bufferSize_]),
      carry_(new char[maxLineLength_ + 1]) {}

LineReader::~LineReader() = default;

bool LineReader::Compressed() const {
  return source_->Compressed();
}

std::uint64_t LineReader::FileSize() const {
  return source_->FileSize();
}

std::uint64_t LineReader::FilePosition() const {
  return source_->FilePosition();
}

bool LineReader::Fill() {
  if (endOfFile_) return false;
  const std::size_t n = source_->Read(buffer_.get(), bufferSize_);
  if (n == 0) {
    endOfFile_ = true;
    return false;
  }
  pos_ = 0;
  end_ = n;
  return true;
}

void LineReader::Rewind() {
  source_->Rewind();
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
      if (!carrying || source_->CutByLimit()) return false;
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
