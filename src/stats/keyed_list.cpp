#include "stats/keyed_list.h"

#include "util/text.h"

namespace kestrune {

std::uint64_t KeyIndex::Hash(std::string_view key) {
  // FNV-1a over the folded bytes, then a final mix so that the low bits spread.
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : key) {
    h ^= FoldByte(c);
    h *= 1099511628211ull;
  }
  h ^= h >> 29;
  h *= 0xbf58476d1ce4e5b9ull;
  h ^= h >> 32;
  return h;
}

bool KeyIndex::Equal(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && FoldByte(static_cast<unsigned char>(a[i])) !=
                            FoldByte(static_cast<unsigned char>(b[i])))
      return false;
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
