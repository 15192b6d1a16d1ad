#include "logfiles/text_ops.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

TEST(SplitAtTest, TakesTokensUpToEachSeparatorAndEmptyOnesBetweenTwo) {
  std::string_view text = "a b  c";
  EXPECT_EQ(SplitAt(text, ' '), "a");
  EXPECT_EQ(text, "b  c");
  EXPECT_EQ(SplitAt(text, ' '), "b");
  EXPECT_EQ(SplitAt(text, ' '), "");
  EXPECT_EQ(SplitAt(text, ' '), "c");
  EXPECT_EQ(text, "");
  EXPECT_EQ(SplitAt(text, ' '), "");

  std::string_view trailing = "x:";
  EXPECT_EQ(SplitAt(trailing, ':'), "x");
  EXPECT_TRUE(trailing.empty());
}

TEST(TrimSpacesTest, RemovesOnlyBlanks) {
  EXPECT_EQ(TrimSpaces("  a b  "), "a b");
  EXPECT_EQ(TrimSpaces("\ta\t"), "\ta\t");
  EXPECT_EQ(TrimSpaces("    "), "");
  EXPECT_EQ(TrimSpaces(""), "");
}

TEST(ToNumberTest, ReadsSignedDecimalsAsTheir32BitPattern) {
  EXPECT_EQ(ToNumber("0"), 0u);
  EXPECT_EQ(ToNumber("200"), 200u);
  EXPECT_EQ(ToNumber("+17"), 17u);
  EXPECT_EQ(ToNumber("-1"), 4294967295u);
  EXPECT_EQ(ToNumber("4294967295"), 4294967295u);
  EXPECT_EQ(ToNumber("-2147483648"), 2147483648u);
  EXPECT_EQ(ToNumber("0004294967295"), 4294967295u);
  EXPECT_EQ(ToSignedNumber("-700"), -700);
  EXPECT_EQ(ToSignedNumber("+0530"), 530);
}

TEST(ToNumberTest, ValuesWithoutA32BitFormAreZeroNotTheirLowBits) {
  for (const char* text : {"4294967296", "4294967297", "5000000000", "-2147483649", "-4294967295",
                           "99999999999999999999999999"})
    EXPECT_EQ(ToNumber(text), 0u) << text;
  EXPECT_EQ(ToSignedNumber("4294967308"), 0);
}

TEST(ToNumberTest, AnythingNotWhollyAnIntegerIsZero) {
  for (const char* text : {"", "-", "+", "12a", " 12", "12 ", "1.5", "0x10", "--1", "+-1", "\xff"})
    EXPECT_EQ(ToNumber(text), 0u) << '"' << text << '"';
}

TEST(PathExtensionTest, TakesTheTextAfterTheLastDotOfTheLastBackslashPart) {
  EXPECT_EQ(PathExtension("/docs/index.html"), "html");
  EXPECT_EQ(PathExtension("/a/archive.tar.GZ"), "GZ");
  EXPECT_EQ(PathExtension("/docs/readme"), "");
  EXPECT_EQ(PathExtension("/docs/"), "");
  EXPECT_EQ(PathExtension("file."), "");
  EXPECT_EQ(PathExtension(""), "");
  // Forward slashes separate nothing: a dot in a directory name takes the rest along.
  EXPECT_EQ(PathExtension("/v1.2/download/setup"), "2/download/setup");
  EXPECT_EQ(PathExtension("c:\\dir.x\\file"), "");
  EXPECT_EQ(PathExtension("c:\\dir\\file.exe"), "exe");
}

TEST(HasContentTest, KeepsOnlyTheListedCharacters) {
  EXPECT_FALSE(HasContent(""));
  EXPECT_FALSE(HasContent("     "));
  EXPECT_FALSE(HasContent("\t\"#$%&'()*,/:;<=>@[\\]^_`{|}~\x7f\x80\xff"));
  for (const char* text : {"!", "+", "-", ".", "?", "0", "9", "A", "Z", "a", "z", "  x  "})
    EXPECT_TRUE(HasContent(text)) << text;
}

}  // namespace
}  // namespace kestrune
