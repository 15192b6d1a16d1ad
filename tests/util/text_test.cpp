#include "util/text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

namespace kestrune {
namespace {

TEST(TextTest, ShortTextCutsAt255) {
  EXPECT_EQ(ShortText(""), "");
  EXPECT_EQ(ShortText(std::string(255, 'a')).size(), 255u);
  const std::string cut = ShortText(std::string(254, 'a') + "bcd");
  EXPECT_EQ(cut.size(), 255u);
  EXPECT_EQ(cut.back(), 'b');
}

TEST(TextTest, TrimBlanksRemovesOnlySpaces) {
  EXPECT_EQ(TrimBlanks("  a b  "), "a b");
  EXPECT_EQ(TrimBlanks("    "), "");
  EXPECT_EQ(TrimBlanks(""), "");
  EXPECT_EQ(TrimBlanks("\ta\t"), "\ta\t");
  EXPECT_EQ(TrimBlanks(" \r\n"), "\r\n");
  EXPECT_EQ(TrimBlanksView(" x "), "x");
}

TEST(TextTest, CaseRulesInTheCLocale) {
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(UpperCase("get /Index.HTML?q=1"), "GET /INDEX.HTML?Q=1");
  EXPECT_EQ(LowerCase("ROBOTS.TXT"), "robots.txt");
  std::string s = "abcXYZ09";
  UpperCaseInPlace(s);
  EXPECT_EQ(s, "ABCXYZ09");
  EXPECT_EQ(FoldByte('Q'), 'q');
  EXPECT_EQ(FoldByte('q'), 'q');
  EXPECT_EQ(FoldByte('@'), '@');
  EXPECT_EQ(FoldTable()['Z'], 'z');
  EXPECT_TRUE(SameText("Mozilla/4.0", "MOZILLA/4.0"));
  EXPECT_TRUE(SameText("", ""));
  EXPECT_FALSE(SameText("abc", "abd"));
  EXPECT_FALSE(SameText("abc", "abcd"));
  EXPECT_FALSE(SameText("[", "{"));  // 0x5B vs 0x7B: not a case pair
}

TEST(TextTest, NonAsciiBytesPassThroughIntact) {
  std::setlocale(LC_ALL, "C");
  const std::string utf8 =
      "/stra\xc3\x9f"
      "e/\xc3\xa9t\xc3\xa9";  // "/straße/été"
  EXPECT_EQ(UpperCase(utf8),
            "/STRA\xc3\x9f"
            "E/\xc3\xa9T\xc3\xa9");
  EXPECT_EQ(LowerCase(UpperCase(utf8)), utf8);
  EXPECT_FALSE(SameText("\xc3\xa9", "\xc3\x89"));  // byte-wise rules only
}

TEST(TextTest, InitLocaleFromEnvironmentRebuildsTheTables) {
  ::setenv("LC_ALL", "C.UTF-8", 1);
  InitLocaleFromEnvironment();
  EXPECT_EQ(UpperCase("abc\xc3\xa9"), "ABC\xc3\xa9");
  EXPECT_TRUE(SameText("Page", "pAGE"));
  for (int c = 128; c < 256; ++c) EXPECT_EQ(FoldByte(static_cast<unsigned char>(c)), c);
  ::unsetenv("LC_ALL");
  std::setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace kestrune
