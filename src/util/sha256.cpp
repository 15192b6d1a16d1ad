#include "util/sha256.h"

#include <openssl/evp.h>

#include "util/error.h"

namespace kestrune {
namespace {

EVP_MD_CTX* NewContext() {
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  if (ctx == nullptr) throw Error("SHA-256: out of memory.");
  return ctx;
}

}  // namespace

Sha256::Sha256() : ctx_(NewContext()) {
  if (EVP_DigestInit_ex(ctx_, EVP_sha256(), nullptr) != 1) {
    EVP_MD_CTX_free(ctx_);
    throw Error("SHA-256 is not available.");
  }
}

Sha256::Sha256(const Sha256& other)
    : ctx_(NewContext()), size_(other.size_), finished_(other.finished_) {
  if (EVP_MD_CTX_copy_ex(ctx_, other.ctx_) != 1) {
    EVP_MD_CTX_free(ctx_);
    throw Error("SHA-256: the state could not be copied.");
  }
}

Sha256& Sha256::operator=(const Sha256& other) {
  if (this == &other) return *this;
  if (EVP_MD_CTX_copy_ex(ctx_, other.ctx_) != 1)
    throw Error("SHA-256: the state could not be copied.");
  size_ = other.size_;
  finished_ = other.finished_;
  return *this;
}

Sha256::~Sha256() {
  EVP_MD_CTX_free(ctx_);
}

void Sha256::Update(const void* data, std::size_t size) {
  if (finished_) throw Error("SHA-256: bytes given after the digest was taken.");
  if (size == 0) return;
  if (EVP_DigestUpdate(ctx_, data, size) != 1) throw Error("SHA-256: hashing failed.");
  size_ += size;
}

Sha256::Digest Sha256::Final() {
  if (finished_) throw Error("SHA-256: the digest was taken already.");
  Digest digest{};
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(ctx_, digest.data(), &length) != 1 || length != digest.size())
    throw Error("SHA-256: hashing failed.");
  finished_ = true;
  return digest;
}

std::string Sha256::FinalHex() {
  return Hex(Final());
}

std::string Sha256::Hex(const Digest& digest) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(digest.size() * 2);
  for (const std::uint8_t byte : digest) {
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0x0F];
  }
  return out;
}

std::string Sha256::HexOf(std::string_view bytes) {
  Sha256 hash;
  hash.Update(bytes);
  return hash.FinalHex();
}

}  // namespace kestrune
