// The messages of a maintenance log's text, one a line: each stamped line
// ("<date> <hh:nn:ss> <message>") without its two leading fields, every other line as
// it stands. Lines end with CR LF.
#pragma once

#include <string>
#include <vector>

namespace kestrune::test {

inline std::vector<std::string> LogMessagesOf(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    const std::size_t first = line.find(' ');
    const std::size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
    if (second != std::string::npos && second - first == 9 && line[first + 3] == ':')
      line = line.substr(second + 1);
    out.push_back(line);
    start = end + 2;
  }
  return out;
}

}  // namespace kestrune::test
