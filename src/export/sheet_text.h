// The small text conversions behind some workbook columns.
#pragma once

#include <string>
#include <string_view>

namespace kestrune {

// The 1-based position of the last `c` in `text`, or -1.
int LastCharPos(char c, std::string_view text);

// The page text up to and including its last "/"; empty without "/".
std::string PageDirectory(std::string_view page);

// The text after the last "." of the page text; empty without ".".
std::string PageType(std::string_view page);

// Seconds (truncated toward zero to an unsigned 32-bit count) as "hh:nn:ss"; durations
// of 24 hours or more print their full hour count ("25:01:01").
std::string SecondsToText(double seconds);

// The column letters of a 1-based column number: 1 "A", 26 "Z", 27 "AA".
std::string ColumnLetters(int column);

}  // namespace kestrune
