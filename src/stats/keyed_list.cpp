#include "stats/keyed_list.h"

#include "util/text.h"

namespace kestrune {

namespace {

constexpr std::uint64_t kMul = 0x9e3779b97f4a7c15ull;

std::uint64_t Mix(std::uint64_t h, std::uint64_t word) {
  h = (h ^ word) * kMul;
  return h ^ (h >> 29);
}

}  // namespace

std::uint64_t KeyIndex::Hash(std::string_view key) {
  // The folded bytes are packed eight at a time into a word, so that the multiply chain
  // runs once per word rather than once per byte; the length seeds the state.
  const unsigned char* fold = FoldTable();
  const auto* p = reinterpret_cast<const unsigned char*>(key.data());
  std::size_t n = key.size();
  std::uint64_t h = Mix(0x243f6a8885a308d3ull, n);
  for (; n >= 8; n -= 8, p += 8) {
    std::uint64_t w = 0;
    for (int i = 0; i < 8; ++i) w |= static_cast<std::uint64_t>(fold[p[i]]) << (8 * i);
    h = Mix(h, w);
  }
  if (n > 0) {
    std::uint64_t w = 0;
    for (std::size_t i = 0; i < n; ++i) w |= static_cast<std::uint64_t>(fold[p[i]]) << (8 * i);
    h = Mix(h, w);
  }
  h ^= h >> 32;
  h *= 0xbf58476d1ce4e5b9ull;
  h ^= h >> 31;
  return h;
}

bool KeyIndex::Equal(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (a == b) return true;  // the usual case: the same spelling
  const unsigned char* fold = FoldTable();
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[i]);
    if (ca != cb && fold[ca] != fold[cb]) return false;
  }
  return true;
}

void KeyIndex::Grow(std::size_t oldSize) {
  const std::size_t size = oldSize == 0 ? 16 : oldSize * 2;
  slots_.assign(size, -1);
  hashes_.assign(size, 0);
}

void KeyIndex::Clear() {
  slots_.clear();
  hashes_.clear();
  used_ = 0;
}

}  // namespace kestrune
