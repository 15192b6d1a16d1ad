#include <gtest/gtest.h>

#include <limits>

#include "export/cell_value.h"
#include "export/sheet_text.h"

namespace kestrune {
namespace {

TEST(SheetText, LastCharPos) {
  EXPECT_EQ(LastCharPos('/', "/docs/a.htm"), 6);
  EXPECT_EQ(LastCharPos('/', "a.htm"), -1);
  EXPECT_EQ(LastCharPos('/', ""), -1);
  EXPECT_EQ(LastCharPos('x', "x"), 1);
}

TEST(SheetText, PageDirectoryAndType) {
  EXPECT_EQ(PageDirectory("/docs/a.htm"), "/docs/");
  EXPECT_EQ(PageDirectory("a.htm"), "");
  EXPECT_EQ(PageDirectory("/"), "/");
  EXPECT_EQ(PageType("/docs/a.htm"), "htm");
  EXPECT_EQ(PageType("/docs/readme"), "");
  EXPECT_EQ(PageType("/docs.old/readme"), "old/readme");
  EXPECT_EQ(PageType("/a."), "");
}

TEST(SheetText, SecondsToTextTruncatesAndKeepsLongHours) {
  EXPECT_EQ(SecondsToText(3661.9), "01:01:01");
  EXPECT_EQ(SecondsToText(59.99), "00:00:59");
  EXPECT_EQ(SecondsToText(0), "00:00:00");
  EXPECT_EQ(SecondsToText(86399), "23:59:59");
  EXPECT_EQ(SecondsToText(90061), "25:01:01");
  EXPECT_EQ(SecondsToText(4294967295.0), "1193046:28:15");
  // Outside the unsigned 32-bit range, and NaN: no undefined conversion, 0.
  EXPECT_EQ(SecondsToText(-5), "00:00:00");
  EXPECT_EQ(SecondsToText(1e300), "00:00:00");
  EXPECT_EQ(SecondsToText(std::numeric_limits<double>::quiet_NaN()), "00:00:00");
}

TEST(SheetText, ColumnLetters) {
  EXPECT_EQ(ColumnLetters(1), "A");
  EXPECT_EQ(ColumnLetters(17), "Q");
  EXPECT_EQ(ColumnLetters(26), "Z");
  EXPECT_EQ(ColumnLetters(27), "AA");
  EXPECT_EQ(ColumnLetters(16384), "XFD");
}

struct TypedCase {
  const char* text;
  CellKind kind;
  double number;
};

// 08-Dec-2026 is day 46364; 01-Mar-1900 day 61.
const TypedCase kTyped[] = {
    {"", CellKind::Empty, 0},
    {"0", CellKind::Number, 0},
    {"1234", CellKind::Number, 1234},
    {"-17", CellKind::Number, -17},
    {"999999999999999", CellKind::Number, 999999999999999.0},
    {"1234567890123456", CellKind::Text, 0},  // 16 digits: kept as text, every digit kept
    {"007", CellKind::Text, 0},
    {"1.5", CellKind::Text, 0},
    {" 12", CellKind::Text, 0},
    {"-", CellKind::Text, 0},
    {"08-Dec-2026", CellKind::Date, 46364},
    {"08-dec-2026", CellKind::Date, 46364},
    {"01-Mar-1900", CellKind::Date, 61},
    {"30-Dec-1899", CellKind::Text, 0},  // before the workbook's faithful dates
    {"31-Feb-2026", CellKind::Text, 0},
    {"08-Foo-2026", CellKind::Text, 0},
    {"8-Dec-2026", CellKind::Text, 0},
    {"00:00:59", CellKind::Duration, 59 / 86400.0},
    {"25:01:01", CellKind::Duration, 90061 / 86400.0},
    {"1193046:28:15", CellKind::Duration, 4294967295.0 / 86400.0},
    {"00:60:00", CellKind::Text, 0},
    {"1:2:3", CellKind::Text, 0},
    {"=1+2", CellKind::Text, 0},
    {"=cmd|' /C calc'!A0", CellKind::Text, 0},
    {"TRUE", CellKind::Text, 0},
};

class TypeOfTextTest : public ::testing::TestWithParam<TypedCase> {};

TEST_P(TypeOfTextTest, KindAndValue) {
  const TypedCase& c = GetParam();
  const TypedValue got = TypeOfText(c.text);
  EXPECT_EQ(got.kind, c.kind) << c.text;
  if (c.kind != CellKind::Text && c.kind != CellKind::Empty) {
    EXPECT_DOUBLE_EQ(got.number, c.number) << c.text;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, TypeOfTextTest, ::testing::ValuesIn(kTyped));

}  // namespace
}  // namespace kestrune
