// Hash flooding: keys chosen so that they all share one hash under the fixed function the
// keyed lists used before, fed in with many ordinary keys. Under the keyed hash every
// lookup still touches a small, bounded number of slots.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "stats/keyed_list.h"
#include "util/siphash.h"
#include "util/text.h"

namespace kestrune {
namespace {

// The earlier, unkeyed hash of the folded key (before its final mixing, which is a
// bijection and so keeps collisions): a multiply-xorshift chain over 8-byte words.
constexpr std::uint64_t kMul = 0x9e3779b97f4a7c15ull;

std::uint64_t OldMix(std::uint64_t h, std::uint64_t word) {
  h = (h ^ word) * kMul;
  return h ^ (h >> 29);
}

std::uint64_t OldState(const std::string& key) {  // 16-byte keys without upper case
  std::uint64_t h = OldMix(0x243f6a8885a308d3ull, key.size());
  for (std::size_t at = 0; at < key.size(); at += 8) {
    std::uint64_t w = 0;
    for (int i = 0; i < 8; ++i)
      w |= static_cast<std::uint64_t>(static_cast<unsigned char>(key[at + i])) << (8 * i);
    h = OldMix(h, w);
  }
  return h;
}

std::string Bytes(std::uint64_t w) {
  std::string out(8, '\0');
  for (int i = 0; i < 8; ++i) out[i] = static_cast<char>(w >> (8 * i));
  return out;
}

bool FoldsToItself(std::uint64_t w) {
  for (int i = 0; i < 8; ++i) {
    const auto c = static_cast<unsigned char>(w >> (8 * i));
    if (FoldByte(c) != c) return false;
  }
  return true;
}

// `count` different 16-byte keys that all reach the same state of the old chain: the
// first word is free, the second is solved for by inverting the last mixing step.
std::vector<std::string> OldCollisions(int count) {
  std::uint64_t inverse = kMul;  // kMul^-1 mod 2^64 by Newton's iteration
  for (int i = 0; i < 6; ++i) inverse *= 2 - kMul * inverse;
  const std::uint64_t target = 0x0123456789abcdefull;
  std::uint64_t x = target ^ (target >> 29) ^ (target >> 58);  // undo the xorshift
  x *= inverse;                                                // undo the multiply
  std::vector<std::string> keys;
  for (std::uint64_t first = 0x6161616161616161ull; static_cast<int>(keys.size()) < count;
       ++first) {
    const std::uint64_t h1 = OldMix(OldMix(0x243f6a8885a308d3ull, 16), first);
    const std::uint64_t second = h1 ^ x;
    if (FoldsToItself(first) && FoldsToItself(second)) keys.push_back(Bytes(first) + Bytes(second));
  }
  return keys;
}

TEST(KeyedListFloodTest, KeysCollidingUnderTheOldHashStayCheapToFind) {
  std::setlocale(LC_ALL, "C");
  const std::vector<std::string> colliding = OldCollisions(3000);
  for (const std::string& key : colliding) ASSERT_EQ(OldState(key), OldState(colliding[0]));

  KeyedList<int> list;
  for (const std::string& key : colliding) list.Add(key);
  for (int i = 0; i < 50000; ++i) list.Add("/page/" + std::to_string(i) + ".html");

  long total = 0;
  int worst = 0;
  for (int i = 0; i < list.Count(); ++i) {
    ASSERT_EQ(list.IndexOf(list.Key(i)), i);
    const int probes = list.LookupProbes(list.Key(i));
    total += probes;
    worst = std::max(worst, probes);
  }
  // Missing keys end at the first empty slot just as quickly.
  for (int i = 0; i < 1000; ++i)
    worst = std::max(worst, list.LookupProbes("/missing/" + std::to_string(i)));
  EXPECT_LE(static_cast<double>(total) / list.Count(), 3.0);
  EXPECT_LE(worst, 64);
}

TEST(KeyedListFloodTest, TheHashFoldsCaseOnlyForLetters) {
  std::setlocale(LC_ALL, "C");
  // Bytes whose low seven bits are a letter but whose high bit is set are not letters.
  EXPECT_EQ(KeyIndex::Hash("AbCdEfGhIjKlMnOpQ"), KeyIndex::Hash("aBcDeFgHiJkLmNoPq"));
  EXPECT_NE(KeyIndex::Hash("\xC1"), KeyIndex::Hash("\xE1"));
  EXPECT_NE(KeyIndex::Hash("@[`{"), KeyIndex::Hash("`{@["));
  EXPECT_NE(KeyIndex::Hash("@"), KeyIndex::Hash("`"));
  EXPECT_NE(KeyIndex::Hash("["), KeyIndex::Hash("{"));
}

TEST(KeyedListFloodTest, EightBytesAtATimeHashLikeOneByOne) {
  // Under a locale that folds only A..Z, the word-wise fold must give the table's hash,
  // for every length (tails of 0 to 7 bytes after whole words, short keys) and any byte.
  std::setlocale(LC_ALL, "C");
  ASSERT_TRUE(FoldIsAscii());
  const SipKey key{0x0123456789abcdefull, 0xfedcba9876543210ull};
  std::mt19937 random(3);
  for (int length = 0; length <= 40; ++length) {
    for (int round = 0; round < 20; ++round) {
      std::string text(length, '\0');
      for (char& c : text) c = static_cast<char>(random() % 256);
      const std::string folded = LowerCase(text);
      EXPECT_EQ(KeyIndex::Hash(text, key, true), KeyIndex::Hash(text, key, false)) << length;
      EXPECT_EQ(KeyIndex::Hash(text, key, true), (SipHash<1, 3>::Of(key, folded))) << length;
    }
  }
}

// The published test vectors of SipHash-2-4 (key 00..0f, message 00..len-1) check the
// rounds that SipHash-1-3 shares.
TEST(SipHashTest, MatchesThePublishedVectors) {
  const SipKey key{0x0706050403020100ull, 0x0f0e0d0c0b0a0908ull};
  std::string message;
  EXPECT_EQ((SipHash<2, 4>::Of(key, message)), 0x726fdb47dd0e0e31ull);
  for (int i = 0; i < 15; ++i) message += static_cast<char>(i);
  EXPECT_EQ((SipHash<2, 4>::Of(key, message)), 0xa129ca6149be45e5ull);
}

TEST(SipHashTest, TheProcessKeyIsDrawnOnceAndNotZero) {
  const SipKey& key = ProcessSipKey();
  EXPECT_EQ(&key, &ProcessSipKey());
  EXPECT_TRUE(key.k0 != 0 || key.k1 != 0);
}

}  // namespace
}  // namespace kestrune
