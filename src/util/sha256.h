// Sha256: the SHA-256 digest of a stream of bytes, fed in pieces of any size (OpenSSL's
// EVP interface does the hashing). A copy carries the state so far, so the digest of a
// beginning can be taken while the whole goes on being hashed:
//
//   Sha256 whole;
//   whole.Update(firstPart);
//   const std::string prefix = Sha256(whole).FinalHex();
//   whole.Update(rest);
//   const std::string all = whole.FinalHex();
//
// Final ends the object's use: Update or Final after it raise kestrune::Error.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct evp_md_ctx_st;

namespace kestrune {

class Sha256 {
 public:
  using Digest = std::array<std::uint8_t, 32>;

  Sha256();
  Sha256(const Sha256& other);
  Sha256& operator=(const Sha256& other);
  ~Sha256();

  void Update(const void* data, std::size_t size);
  void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
  // The bytes fed so far.
  std::uint64_t Size() const { return size_; }

  Digest Final();
  // The digest as 64 lower-case hexadecimal digits.
  std::string FinalHex();

  static std::string Hex(const Digest& digest);
  // The digest of `bytes` in one call, as hexadecimal digits.
  static std::string HexOf(std::string_view bytes);

 private:
  evp_md_ctx_st* ctx_ = nullptr;
  std::uint64_t size_ = 0;
  bool finished_ = false;
};

}  // namespace kestrune
