#include "reports/xml_escape.h"

#include <cstdint>
#include <cstdio>

#include "util/utf8.h"

namespace kestrune {

namespace {

void AppendReference(std::string& out, std::uint32_t codePoint) {
  char buffer[16];
  const int n = std::snprintf(buffer, sizeof buffer, "&#x%X;", codePoint);
  out.append(buffer, static_cast<std::size_t>(n));
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
    char32_t codePoint = 0;
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
