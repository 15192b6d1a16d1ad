// Writing gzip files for the tests: a text as one member or as several members one after
// the other (as `cat a.gz b.gz` leaves them), and large files streamed from a generator
// so that the test itself holds no more than a chunk.
#pragma once

#include <zlib.h>

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune::testing {

// Streams the pieces that `next` hands out (false when done) through one gzip member
// into `out`.
inline void AppendGzipMember(std::string& out, const std::function<bool(std::string&)>& next,
                             int level = Z_DEFAULT_COMPRESSION) {
  z_stream stream{};
  if (deflateInit2(&stream, level, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    std::abort();
  std::string piece;
  unsigned char buffer[64 * 1024];
  bool more = true;
  while (more) {
    piece.clear();
    more = next(piece);
    stream.next_in = reinterpret_cast<Bytef*>(piece.data());
    stream.avail_in = static_cast<uInt>(piece.size());
    const int flush = more ? Z_NO_FLUSH : Z_FINISH;
    do {
      stream.next_out = buffer;
      stream.avail_out = sizeof buffer;
      if (deflate(&stream, flush) == Z_STREAM_ERROR) std::abort();
      out.append(reinterpret_cast<char*>(buffer), sizeof buffer - stream.avail_out);
    } while (stream.avail_out == 0);
  }
  deflateEnd(&stream);
}

// `text` as one gzip member.
inline std::string Gzip(std::string_view text, int level = Z_DEFAULT_COMPRESSION) {
  std::string out;
  bool given = false;
  AppendGzipMember(
      out,
      [&](std::string& piece) {
        if (!given) piece.assign(text);
        given = true;
        return false;
      },
      level);
  return out;
}

// `text` cut at `cuts` (offsets, ascending) into members, each compressed on its own.
inline std::string GzipMembers(std::string_view text, const std::vector<std::size_t>& cuts) {
  std::string out;
  std::size_t from = 0;
  for (std::size_t cut : cuts) {
    out += Gzip(text.substr(from, cut - from));
    from = cut;
  }
  return out + Gzip(text.substr(from));
}

}  // namespace kestrune::testing
