#include "reports/html_text.h"

#include <cmath>
#include <cstdio>

#include "reports/panel_texts.h"
#include "reports/template_text.h"
#include "util/utf8.h"

namespace kestrune {

namespace {

void AppendReference(std::string& out, std::uint32_t codePoint) {
  char buffer[16];
  const int n = std::snprintf(buffer, sizeof buffer, "&#x%X;", codePoint);
  out.append(buffer, static_cast<std::size_t>(n));
}

bool IsControl(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0xFFFE || c == 0xFFFF;
}

}  // namespace

void AppendHtmlText(std::string& out, std::string_view text) {
  out.reserve(out.size() + text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7F) {
      if (const char* entity = HtmlEntity(static_cast<char>(c)))
        out += entity;
      else
        out += static_cast<char>(c);
      ++i;
      continue;
    }
    char32_t code = 0;
    std::size_t length = DecodeUtf8(text.substr(i), code);
    const bool wellFormed = length != 0;
    if (!wellFormed) {
      code = c;  // the byte read as Latin-1
      length = 1;
    }
    if (IsControl(code))
      AppendReference(out, 0xFFFD);
    else if (wellFormed)
      out.append(text.substr(i, length));
    else
      AppendReference(out, code);
    i += length;
  }
}

std::string HtmlText(std::string_view text) {
  std::string out;
  AppendHtmlText(out, text);
  return out;
}

std::string ByteSize(double bytes) {
  static const char* const kUnits[] = {"B", "KB", "MB", "GB", "TB", "PB"};
  if (!(bytes >= 0) || !std::isfinite(bytes)) return "0 B";
  if (bytes < 1024) return ByteForm(bytes) + " B";
  std::size_t unit = 0;
  double value = bytes;
  while (value >= 1024 && unit + 1 < std::size(kUnits)) {
    value /= 1024;
    ++unit;
  }
  char buffer[48];
  // Rounding may reach the next unit (1023.96 KB): show it in that unit.
  if (value < 99.95) {
    std::snprintf(buffer, sizeof buffer, "%.1f %s", value, kUnits[unit]);
  } else if (value < 1023.5 || unit + 1 == std::size(kUnits)) {
    std::snprintf(buffer, sizeof buffer, "%.0f %s", value, kUnits[unit]);
  } else {
    std::snprintf(buffer, sizeof buffer, "1.0 %s", kUnits[unit + 1]);
  }
  return buffer;
}

std::string Percentage(double part, double whole) {
  const double share = whole > 0 ? 100.0 * part / whole : 0;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f %%", share);
  return buffer;
}

void AppendTrafficCell(std::string& out, double bytes) {
  out += "<td class=\"num traffic\" title=\"";
  out += ByteForm(bytes);
  out += " bytes\">";
  out += ByteSize(bytes);
  out += "</td>";
}

void AppendShareCell(std::string& out, double part, double whole, double largest) {
  char width[32];
  std::snprintf(width, sizeof width, "%.1f", largest > 0 ? 100.0 * part / largest : 0.0);
  out += "<td class=\"share\"><span class=\"meter\"><span style=\"width:";
  out += width;
  out += "%\"></span></span><span class=\"pct\">";
  out += Percentage(part, whole);
  out += "</span></td>";
}

}  // namespace kestrune
