#include "logfiles/text_ops.h"

#include <array>

namespace kestrune {

namespace {

// The characters that make a line non-empty for the emptiness test.
constexpr std::array<bool, 256> MakeContentTable() {
  std::array<bool, 256> table{};
  for (unsigned char c : std::string_view("!+-.?")) table[c] = true;
  for (int c = '0'; c <= '9'; ++c) table[c] = true;
  for (int c = 'A'; c <= 'Z'; ++c) table[c] = true;
  for (int c = 'a'; c <= 'z'; ++c) table[c] = true;
  return table;
}

constexpr std::array<bool, 256> kContent = MakeContentTable();

}  // namespace

bool HasContent(std::string_view line) {
  for (unsigned char c : line)
    if (kContent[c]) return true;
  return false;
}

}  // namespace kestrune
