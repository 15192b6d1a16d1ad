// libFuzzer target: the line reader over an in-memory file, through a buffer as small as
// the first input byte says, compared with the plain reading of the same text.
#include <sys/mman.h>
#include <unistd.h>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t bufferSize = 1 + data[0] % 64;
  const std::size_t maxLength = 1 + data[1] % 40;
  const std::string_view text(reinterpret_cast<const char*>(data) + 2, size - 2);

  static const int fd = ::memfd_create("fuzz-log", 0);
  if (fd < 0) std::abort();
  if (::ftruncate(fd, 0) != 0 ||
      ::pwrite(fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()))
    std::abort();
  LineReader reader("/proc/self/fd/" + std::to_string(fd), maxLength, bufferSize);
  const int count = reader.CountLines();
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.Next(line)) lines.emplace_back(line);
  if (count != static_cast<int>(lines.size()) || lines != PlainLines(text, maxLength)) std::abort();
  return 0;
}
