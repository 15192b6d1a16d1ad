#include "export/sheet_text.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace kestrune {

int LastCharPos(char c, std::string_view text) {
  const std::size_t at = text.rfind(c);
  return at == std::string_view::npos ? -1 : static_cast<int>(at) + 1;
}

std::string PageDirectory(std::string_view page) {
  const int p = LastCharPos('/', page);
  return p > 0 ? std::string(page.substr(0, static_cast<std::size_t>(p))) : std::string();
}

std::string PageType(std::string_view page) {
  const int p = LastCharPos('.', page);
  return p < 0 ? std::string() : std::string(page.substr(static_cast<std::size_t>(p)));
}

std::string SecondsToText(double seconds) {
  // Truncation toward zero into the unsigned 32-bit range; NaN and values outside it
  // (a negative sum, say) count as 0 rather than invoke undefined behaviour.
  const double t = std::trunc(seconds);
  const std::uint32_t s = t >= 0 && t <= 4294967295.0 ? static_cast<std::uint32_t>(t) : 0;
  char text[32];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u", static_cast<unsigned>(s / 3600),
                static_cast<unsigned>(s % 3600 / 60), static_cast<unsigned>(s % 60));
  return text;
}

std::string ColumnLetters(int column) {
  std::string letters;
  for (int n = column; n > 0; n = (n - 1) / 26)
    letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
  return letters;
}

}  // namespace kestrune
