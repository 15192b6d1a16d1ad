// The text operations both readers build their parsing from: split at a character,
// trim blanks, convert to a number, and take the extension of a logged path. They work
// on views into the line being parsed, so parsing copies nothing until a field is
// stored.
#pragma once

#include <cstdint>
#include <string_view>

namespace kestrune {

// Takes the text before the first `separator` out of `text` and returns it; `text` keeps
// what stands after the separator. Without a separator the whole text is the token and
// `text` becomes empty, so consecutive separators yield empty tokens.
inline std::string_view SplitAt(std::string_view& text, char separator) {
  // Tokens are short: a plain loop beats a library search here.
  std::size_t at = 0;
  while (at < text.size() && text[at] != separator) ++at;
  const std::string_view token = text.substr(0, at);
  text.remove_prefix(at < text.size() ? at + 1 : at);
  return token;
}

// `text` without leading and trailing spaces (code 32 only; tabs stay).
inline std::string_view TrimSpaces(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && text[begin] == ' ') ++begin;
  while (end > begin && text[end - 1] == ' ') --end;
  return text.substr(begin, end - begin);
}

// A decimal integer with an optional sign; 0 when `text` is empty or not wholly such an
// integer. The result is the 32-bit pattern of the value, so "-1" gives 4294967295. A
// value outside -2147483648..4294967295 has no 32-bit form and gives 0 as well, rather
// than its low 32 bits: a byte count of 5000000000 must not add 705032704.
inline std::uint32_t ToNumber(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    i = 1;
  }
  if (i == text.size()) return 0;
  const std::uint64_t limit = negative ? 2147483648u : 4294967295u;
  std::uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const unsigned digit = static_cast<unsigned char>(text[i]) - '0';
    if (digit > 9) return 0;
    value = value * 10u + digit;
    if (value > limit) return 0;
  }
  const auto low = static_cast<std::uint32_t>(value);
  return negative ? 0u - low : low;
}

// The same number read as a signed 32-bit value (date and time parts, zones).
inline std::int32_t ToSignedNumber(std::string_view text) {
  return static_cast<std::int32_t>(ToNumber(text));
}

// The extension of a logged path: the text after the last "." of the part after the last
// backslash (the whole path without one). Forward slashes are no separators here, so a
// "." in a directory name with no later "." yields the rest of the path.
inline std::string_view PathExtension(std::string_view path) {
  const std::size_t slash = path.rfind('\\');
  if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return {};
  return path.substr(dot + 1);
}

// The emptiness test of both readers: true when `line` holds none of the characters
// "!", "+", "-", ".", "?", the digits and the letters A-Z, a-z (blanks and everything
// else do not count).
bool HasContent(std::string_view line);

}  // namespace kestrune
