#include "stats/keyed_list.h"

#include <bit>
#include <cstring>

#include "util/siphash.h"
#include "util/text.h"

namespace kestrune {

namespace {

constexpr std::uint64_t kEachByte = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

// The eight bytes of `w` with A..Z turned into a..z, all at once.
std::uint64_t FoldAsciiWord(std::uint64_t w) {
  const std::uint64_t low7 = w & ~kHighBits;
  const std::uint64_t atLeastA = low7 + kEachByte * (0x80 - 'A');
  const std::uint64_t aboveZ = low7 + kEachByte * (0x80 - 'Z' - 1);
  const std::uint64_t upper = atLeastA & ~aboveZ & ~w & kHighBits;
  return w | (upper >> 2);  // 0x80 >> 2 is the 0x20 that tells the cases apart
}

std::uint64_t LoadWord(const unsigned char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
  return w;
}

// The last `n` (< 8) bytes of a key of `size` bytes ending at `end`, little-endian.
std::uint64_t LoadTail(const unsigned char* end, std::size_t n, std::size_t size) {
  if (n == 0) return 0;
  if (size >= 8) return LoadWord(end - 8) >> (8 * (8 - n));  // bytes already hashed drop out
  std::uint64_t w = 0;
  for (std::size_t i = 0; i < n; ++i) w |= static_cast<std::uint64_t>((end - n)[i]) << (8 * i);
  return w;
}

}  // namespace

std::uint64_t KeyIndex::Hash(std::string_view key, const SipKey& sipKey, bool foldIsAscii) {
  // SipHash-1-3 under a key drawn once per process, over the folded bytes packed eight
  // at a time into little-endian words: keys come from the logs, that is from anyone
  // who can send a request, and must not be choosable so that they share a slot.
  const auto* p = reinterpret_cast<const unsigned char*>(key.data());
  std::size_t n = key.size();
  SipHash<1, 3> h(sipKey);
  if (foldIsAscii) {
    for (; n >= 8; n -= 8, p += 8) h.Word(FoldAsciiWord(LoadWord(p)));
    return h.Finish(FoldAsciiWord(LoadTail(p + n, n, key.size())), key.size());
  }
  const unsigned char* fold = FoldTable();
  for (; n >= 8; n -= 8, p += 8) {
    std::uint64_t w = 0;
    for (int i = 0; i < 8; ++i) w |= static_cast<std::uint64_t>(fold[p[i]]) << (8 * i);
    h.Word(w);
  }
  std::uint64_t tail = 0;
  for (std::size_t i = 0; i < n; ++i) tail |= static_cast<std::uint64_t>(fold[p[i]]) << (8 * i);
  return h.Finish(tail, key.size());
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
