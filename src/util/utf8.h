// UTF-8 helpers for 8-bit log texts. Log texts are bytes: where they go to a consumer
// that only takes Unicode (a UTF8 database, a workbook cell) they follow one rule, the
// same everywhere: a well-formed UTF-8 sequence stays what it is, and every other byte is
// read as the Latin-1 character of its value.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrune {

// The length (1 to 4) of the well-formed UTF-8 sequence at the start of `bytes` (not
// empty), with its code point in `code`; 0 when it does not start one (a stray
// continuation byte, an overlong form, a surrogate, a cut sequence).
inline std::size_t DecodeUtf8(std::string_view bytes, char32_t& code) {
  const auto b0 = static_cast<unsigned char>(bytes[0]);
  if (b0 < 0x80) {
    code = b0;
    return 1;
  }
  std::size_t length = 0;
  char32_t min = 0;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
    code = b0 & 0x1F;
    min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    code = b0 & 0x0F;
    min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    code = b0 & 0x07;
    min = 0x10000;
  } else {
    return 0;
  }
  if (bytes.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if ((b & 0xC0) != 0x80) return 0;
    code = (code << 6) | (b & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

// Appends the UTF-8 form of `code`.
inline void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Calls `sink` with each code point of `bytes` by the rule above.
template <class Sink>
void ForEachCodePoint(std::string_view bytes, Sink&& sink) {
  while (!bytes.empty()) {
    char32_t code = 0;
    std::size_t length = DecodeUtf8(bytes, code);
    if (length == 0) {
      code = static_cast<unsigned char>(bytes[0]);
      length = 1;
    }
    sink(code);
    bytes.remove_prefix(length);
  }
}

// `bytes` as UTF-8 by the rule above (ASCII and well-formed UTF-8 come back unchanged).
std::string Latin1ToUtf8(std::string_view bytes);

}  // namespace kestrune
