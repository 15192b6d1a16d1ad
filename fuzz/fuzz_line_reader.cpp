// libFuzzer target: the line reader over an in-memory file, through a buffer as small as
// the first input byte says, compared with the plain reading of the same text; then the
// same text gzip-compressed as two members, which must read the same.
#include <sys/mman.h>
#include <unistd.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "logfiles/line_reader.h"

using namespace kestrune;

namespace {

std::vector<std::string> PlainLines(std::string_view text, std::size_t maxLength) {
  std::vector<std::string> lines;
  std::string current;
  bool open = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\0') {
      // A NUL run ends an open line and takes one line end right after it along.
      while (i + 1 < text.size() && text[i + 1] == '\0') ++i;
      if (open) lines.push_back(current.substr(0, maxLength));
      current.clear();
      open = false;
      if (i + 1 < text.size() && text[i + 1] == '\r') {
        ++i;
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      } else if (i + 1 < text.size() && text[i + 1] == '\n') {
        ++i;
      }
    } else if (c == '\r' || c == '\n') {
      lines.push_back(current.substr(0, maxLength));
      current.clear();
      open = false;
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      current += c;
      open = true;
    }
  }
  if (open) lines.push_back(current.substr(0, maxLength));
  return lines;
}

// `text` as one gzip member.
std::string Gzip(std::string_view text) {
  z_stream stream{};
  if (deflateInit2(&stream, 1, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    std::abort();
  std::string out(deflateBound(&stream, text.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  if (deflate(&stream, Z_FINISH) != Z_STREAM_END) std::abort();
  out.resize(out.size() - stream.avail_out);
  deflateEnd(&stream);
  return out;
}

std::vector<std::string> ReadBack(int fd, std::string_view bytes, std::size_t maxLength,
                                  std::size_t bufferSize) {
  if (::ftruncate(fd, 0) != 0 ||
      ::pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
    std::abort();
  LineReader reader("/proc/self/fd/" + std::to_string(fd), maxLength, bufferSize);
  const int count = reader.CountLines();
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.Next(line)) lines.emplace_back(line);
  if (count != static_cast<int>(lines.size())) std::abort();
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t bufferSize = 1 + data[0] % 64;
  const std::size_t maxLength = 1 + data[1] % 40;
  const std::string_view text(reinterpret_cast<const char*>(data) + 2, size - 2);

  static const int fd = ::memfd_create("fuzz-log", 0);
  if (fd < 0) std::abort();
  const std::vector<std::string> expected = PlainLines(text, maxLength);
  // A text that begins with the gzip magic is read as compressed data: not this check.
  if (text.size() < 2 || text[0] != '\x1f' || text[1] != '\x8b')
    if (ReadBack(fd, text, maxLength, bufferSize) != expected) std::abort();
  const std::size_t cut = text.empty() ? 0 : data[1] % text.size();
  const std::string packed = Gzip(text.substr(0, cut)) + Gzip(text.substr(cut));
  if (ReadBack(fd, packed, maxLength, bufferSize) != expected) std::abort();
  return 0;
}
