#include "util/utf8.h"

#include <algorithm>

namespace kestrune {

std::string Latin1ToUtf8(std::string_view bytes) {
  // Most texts are ASCII, which stays as it is.
  if (std::all_of(bytes.begin(), bytes.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return std::string(bytes);
  std::string out;
  out.reserve(bytes.size());
  ForEachCodePoint(bytes, [&](char32_t code) { AppendUtf8(out, code); });
  return out;
}

}  // namespace kestrune
