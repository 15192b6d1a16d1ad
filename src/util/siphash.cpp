#include "util/siphash.h"

#include <sys/random.h>

#include <cerrno>
#include <random>

namespace kestrune {

namespace {

SipKey DrawKey() {
  std::uint64_t words[2] = {0, 0};
  auto* bytes = reinterpret_cast<unsigned char*>(words);
  std::size_t got = 0;
  while (got < sizeof words) {
    const ssize_t n = ::getrandom(bytes + got, sizeof words - got, 0);
    if (n > 0) {
      got += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EINTR) {
      break;
    }
  }
  if (got < sizeof words) {
    // No getrandom (an old kernel): the library's source of random numbers.
    std::random_device device;
    for (auto& w : words) w = (static_cast<std::uint64_t>(device()) << 32) ^ device();
  }
  return SipKey{words[0], words[1]};
}

}  // namespace

const SipKey& ProcessSipKey() {
  static const SipKey key = DrawKey();
  return key;
}

}  // namespace kestrune
