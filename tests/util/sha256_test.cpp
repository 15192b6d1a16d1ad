#include "util/sha256.h"

#include <gtest/gtest.h>

#include "util/error.h"

namespace kestrune {
namespace {

// The test vectors of FIPS 180-2, and bytes that are no text.
TEST(Sha256Test, KnownDigests) {
  struct Case {
    std::string in, hex;
  };
  const Case cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      // Bytes of any value, NUL among them (as sha256sum gives it).
      {std::string("caf\xE9\0\r\n", 7),
       "ee0ad3f44cb46c01adb6ee39cbf6ae1f41527ef12cb63435e637b604a51f1d71"},
  };
  for (const Case& c : cases) EXPECT_EQ(Sha256::HexOf(c.in), c.hex) << c.in.size() << " bytes";
}

TEST(Sha256Test, PiecesGiveTheDigestOfTheWhole) {
  const std::string text = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  for (const std::size_t piece : {1u, 3u, 7u, 55u, 56u, 64u}) {
    Sha256 hash;
    for (std::size_t at = 0; at < text.size(); at += piece)
      hash.Update(std::string_view(text).substr(at, piece));
    EXPECT_EQ(hash.Size(), text.size());
    EXPECT_EQ(hash.FinalHex(), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1")
        << piece;
  }
}

TEST(Sha256Test, CopyTakesTheDigestOfTheBeginningWhileTheWholeGoesOn) {
  Sha256 whole;
  whole.Update("ab");
  Sha256 beginning(whole);
  whole.Update("c");
  EXPECT_EQ(beginning.FinalHex(), Sha256::HexOf("ab"));
  EXPECT_EQ(whole.FinalHex(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");

  Sha256 assigned;
  assigned.Update("zzz");
  Sha256 source;
  source.Update("a");
  assigned = source;
  assigned.Update("bc");
  EXPECT_EQ(assigned.FinalHex(), Sha256::HexOf("abc"));
  EXPECT_EQ(source.FinalHex(), Sha256::HexOf("a"));
}

TEST(Sha256Test, NothingAfterTheDigest) {
  Sha256 hash;
  hash.Update("abc");
  hash.Final();
  EXPECT_THROW(hash.Update("d"), Error);
  EXPECT_THROW(hash.Final(), Error);
}

}  // namespace
}  // namespace kestrune
