#include "util/text.h"

#include <array>
#include <cctype>
#include <clocale>

namespace kestrune {
namespace {

// Whether the fold is the plain ASCII one; set whenever the tables are built.
bool& FoldIsAsciiFlag() {
  static bool flag = false;
  return flag;
}

struct CaseTables {
  std::array<unsigned char, 256> fold{};
  std::array<unsigned char, 256> upper{};

  // Fills both tables from the C library's current locale.
  void Build() {
    bool ascii = true;
    for (int c = 0; c < 256; ++c) {
      fold[c] = static_cast<unsigned char>(std::tolower(c));
      upper[c] = static_cast<unsigned char>(std::toupper(c));
      const int asciiFold = c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
      if (fold[c] != asciiFold) ascii = false;
    }
    FoldIsAsciiFlag() = ascii;
  }
};

// Built on first use with whatever locale is current then; InitLocaleFromEnvironment
// rebuilds them after switching to the environment's locale.
CaseTables& Tables() {
  static CaseTables tables = [] {
    CaseTables t;
    t.Build();
    return t;
  }();
  return tables;
}

}  // namespace

std::string ShortText(std::string_view text) {
  return std::string(text.substr(0, kShortTextMax));
}

std::string_view TrimBlanksView(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

std::string TrimBlanks(std::string_view text) {
  return std::string(TrimBlanksView(text));
}

void UpperCaseInPlace(std::string& text) {
  const auto& upper = Tables().upper;
  for (char& c : text) c = static_cast<char>(upper[static_cast<unsigned char>(c)]);
}

std::string UpperCase(std::string_view text) {
  std::string result(text);
  UpperCaseInPlace(result);
  return result;
}

std::string LowerCase(std::string_view text) {
  const auto& fold = Tables().fold;
  std::string result(text);
  for (char& c : result) c = static_cast<char>(fold[static_cast<unsigned char>(c)]);
  return result;
}

unsigned char FoldByte(unsigned char c) {
  return Tables().fold[c];
}

const unsigned char* FoldTable() {
  return Tables().fold.data();
}

const bool& FoldIsAscii() {
  Tables();  // built on first use
  return FoldIsAsciiFlag();
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const auto& fold = Tables().fold;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[i]);
    if (ca != cb && fold[ca] != fold[cb]) return false;
  }
  return true;
}

void InitLocaleFromEnvironment() {
  std::setlocale(LC_ALL, "");
  Tables().Build();
}

std::string EscapeControlCharacters(std::string_view text, bool keepLineBreaks) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c != 0x7F) {
      out += text[i];
    } else if (keepLineBreaks && c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += "\r\n";
      ++i;
    } else {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    }
  }
  return out;
}

}  // namespace kestrune
