// The lines of a text by the reader's rules, worked out the plain way, byte by byte: what
// every reading of the same text (through any buffer, compressed or not) must give.
#pragma once

#include <string>
#include <vector>

namespace kestrune::testing {

// The lines of `text` by the rules, cut to `maxLength`, written the plain way.
inline std::vector<std::string> ExpectedLines(const std::string& text, std::size_t maxLength) {
  std::vector<std::string> lines;
  const std::size_t end = text.size();
  std::string current;
  bool open = false;
  for (std::size_t i = 0; i < end; ++i) {
    const char c = text[i];
    if (c == '\0') {
      // A NUL run ends an open line and swallows one line end right after it.
      while (i + 1 < end && text[i + 1] == '\0') ++i;
      if (open) lines.push_back(current.substr(0, maxLength));
      current.clear();
      open = false;
      if (i + 1 < end && text[i + 1] == '\r') {
        ++i;
        if (i + 1 < end && text[i + 1] == '\n') ++i;
      } else if (i + 1 < end && text[i + 1] == '\n') {
        ++i;
      }
    } else if (c == '\r' || c == '\n') {
      lines.push_back(current.substr(0, maxLength));
      current.clear();
      open = false;
      if (c == '\r' && i + 1 < end && text[i + 1] == '\n') ++i;
    } else {
      current += c;
      open = true;
    }
  }
  if (open) lines.push_back(current.substr(0, maxLength));
  return lines;
}

}  // namespace kestrune::testing
