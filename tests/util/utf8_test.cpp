#include "util/utf8.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

TEST(Utf8Test, WellFormedSequencesStayAndEveryOtherByteIsReadAsLatin1) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"", ""},
      {"/index.html?a=1", "/index.html?a=1"},
      {"caf\xC3\xA9", "caf\xC3\xA9"},                            // two bytes
      {"\xE2\x82\xAC", "\xE2\x82\xAC"},                          // three
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},                  // four
      {"caf\xE9", "caf\xC3\xA9"},                                // a lone Latin-1 byte
      {"\xC3", "\xC3\x83"},                                      // a cut sequence
      {"\x80", "\xC2\x80"},                                      // a stray continuation byte
      {"\xC0\xAF", "\xC3\x80\xC2\xAF"},                          // an overlong form
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},              // a surrogate
      {"\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80"},  // above U+10FFFF
  };
  for (const Case& c : cases) EXPECT_EQ(Latin1ToUtf8(c.in), c.out) << c.in;
}

TEST(Utf8Test, DecodeGivesLengthAndCodePoint) {
  char32_t code = 0;
  EXPECT_EQ(DecodeUtf8("A", code), 1u);
  EXPECT_EQ(code, U'A');
  EXPECT_EQ(DecodeUtf8("\xF0\x9F\x98\x80!", code), 4u);
  EXPECT_EQ(code, U'\U0001F600');
  EXPECT_EQ(DecodeUtf8("\xE2\x82", code), 0u);
}

}  // namespace
}  // namespace kestrune
