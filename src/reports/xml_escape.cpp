#include "reports/xml_escape.h"

#include <cstdint>
#include <cstdio>

namespace kestrune {

namespace {

void AppendReference(std::string& out, std::uint32_t codePoint) {
  char buffer[16];
  const int n = std::snprintf(buffer, sizeof buffer, "&#x%X;", codePoint);
  out.append(buffer, static_cast<std::size_t>(n));
}

bool IsContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at the start of `text` (shortest form,
// no surrogates, at most U+10FFFF) with its code point, or 0 when there is none.
std::size_t DecodeUtf8(std::string_view text, std::uint32_t& codePoint) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = at(0);
  std::size_t length;
  std::uint32_t min;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    min = 0x80;
    codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    min = 0x800;
    codePoint = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    min = 0x10000;
    codePoint = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if (!IsContinuation(at(i))) return 0;
    codePoint = (codePoint << 6) | (at(i) & 0x3F);
  }
  if (codePoint < min || codePoint > 0x10FFFF) return 0;
  if (codePoint >= 0xD800 && codePoint <= 0xDFFF) return 0;
  return length;
}

void AppendEscaped(std::string& out, std::string_view text, bool attribute) {
  out.reserve(out.size() + text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      switch (c) {
        case '&':
          out += "&amp;";
          break;
        case '<':
          out += "&lt;";
          break;
        case '>':
          out += "&gt;";
          break;
        case '"':
          out += attribute ? "&quot;" : "\"";
          break;
        case '\'':
          out += attribute ? "&apos;" : "'";
          break;
        case '\t':
        case '\n':
        case '\r':
          AppendReference(out, c);
          break;
        default:
          if (c < 0x20)
            AppendReference(out, 0xFFFD);
          else
            out += static_cast<char>(c);
      }
      ++i;
      continue;
    }
    std::uint32_t codePoint = 0;
    const std::size_t length = DecodeUtf8(text.substr(i), codePoint);
    if (length == 0) {
      AppendReference(out, c);  // the byte read as Latin-1
      ++i;
    } else if (codePoint == 0xFFFE || codePoint == 0xFFFF) {
      AppendReference(out, 0xFFFD);
      i += length;
    } else {
      out.append(text.substr(i, length));
      i += length;
    }
  }
}

}  // namespace

void AppendXmlText(std::string& out, std::string_view text) {
  AppendEscaped(out, text, false);
}

void AppendXmlAttribute(std::string& out, std::string_view text) {
  AppendEscaped(out, text, true);
}

}  // namespace kestrune
