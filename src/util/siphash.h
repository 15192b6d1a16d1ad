// SipHash (Aumasson and Bernstein), a keyed hash for hash tables whose keys come from
// outside: without the 128-bit key, nobody can choose inputs that collide. The state
// takes the message as little-endian 64-bit words, so that callers may build the words
// themselves (from case-folded bytes, for instance). SipHash<2, 4> is the original;
// SipHash<1, 3> is the lighter variant that hash tables commonly use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kestrune {

struct SipKey {
  std::uint64_t k0 = 0;
  std::uint64_t k1 = 0;
};

// A key drawn from the system's random source once per process.
const SipKey& ProcessSipKey();

template <int CompressionRounds, int FinalRounds>
class SipHash {
 public:
  explicit SipHash(const SipKey& key)
      : v0_(key.k0 ^ 0x736f6d6570736575ull),
        v1_(key.k1 ^ 0x646f72616e646f6dull),
        v2_(key.k0 ^ 0x6c7967656e657261ull),
        v3_(key.k1 ^ 0x7465646279746573ull) {}

  // One whole 8-byte word of the message.
  void Word(std::uint64_t m) {
    v3_ ^= m;
    for (int i = 0; i < CompressionRounds; ++i) Round();
    v0_ ^= m;
  }

  // The last 0..7 bytes of the message packed little-endian into `tail`, and the length
  // of the whole message; gives the hash.
  std::uint64_t Finish(std::uint64_t tail, std::size_t length) {
    Word(tail | (static_cast<std::uint64_t>(length) << 56));
    v2_ ^= 0xff;
    for (int i = 0; i < FinalRounds; ++i) Round();
    return v0_ ^ v1_ ^ v2_ ^ v3_;
  }

  // The hash of `data` as it is.
  static std::uint64_t Of(const SipKey& key, std::string_view data) {
    SipHash h(key);
    const auto* p = reinterpret_cast<const unsigned char*>(data.data());
    std::size_t n = data.size();
    for (; n >= 8; n -= 8, p += 8) {
      std::uint64_t w = 0;
      for (int i = 0; i < 8; ++i) w |= static_cast<std::uint64_t>(p[i]) << (8 * i);
      h.Word(w);
    }
    std::uint64_t tail = 0;
    for (std::size_t i = 0; i < n; ++i) tail |= static_cast<std::uint64_t>(p[i]) << (8 * i);
    return h.Finish(tail, data.size());
  }

 private:
  static std::uint64_t Rotl(std::uint64_t x, int b) { return (x << b) | (x >> (64 - b)); }
  void Round() {
    v0_ += v1_;
    v1_ = Rotl(v1_, 13);
    v1_ ^= v0_;
    v0_ = Rotl(v0_, 32);
    v2_ += v3_;
    v3_ = Rotl(v3_, 16);
    v3_ ^= v2_;
    v0_ += v3_;
    v3_ = Rotl(v3_, 21);
    v3_ ^= v0_;
    v2_ += v1_;
    v1_ = Rotl(v1_, 17);
    v1_ ^= v2_;
    v2_ = Rotl(v2_, 32);
  }

  std::uint64_t v0_, v1_, v2_, v3_;
};

}  // namespace kestrune
