// Text helpers shared by every layer. Texts are 8-bit strings; case rules are the
// C library locale's, applied byte by byte, so UTF-8 text passes through intact.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrune {

// Paths, messages, keys and settings texts hold at most this many characters.
constexpr std::size_t kShortTextMax = 255;

// The first 255 characters of `text`.
std::string ShortText(std::string_view text);

// `text` without leading and trailing space characters (only code 32).
std::string TrimBlanks(std::string_view text);
std::string_view TrimBlanksView(std::string_view text);

// Upper- and lower-casing with the locale's rules, byte by byte.
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
void UpperCaseInPlace(std::string& text);

// The locale's case fold of one byte (its lower-case form).
unsigned char FoldByte(unsigned char c);

// The 256-entry table behind FoldByte, for loops over many bytes. The storage stays the
// same for the whole run (InitLocaleFromEnvironment refills it in place).
const unsigned char* FoldTable();

// Whether the fold changes exactly the letters A to Z (the C and UTF-8 locales), so that
// a loop may fold eight bytes at a time instead of looking each one up. Like the table,
// the flag's storage stays the same for the whole run.
const bool& FoldIsAscii();

// Comparison without regard to letter case.
bool SameText(std::string_view a, std::string_view b);

// Reads the locale from the environment (setlocale(LC_ALL, "")) and rebuilds the case
// tables. Call once at start, before any other helper.
void InitLocaleFromEnvironment();

// `text` with its control characters (below 0x20, and 0x7F) written "\xHH", so that a
// name from outside cannot start a line of its own in a text file; CR LF pairs stay as
// they are when `keepLineBreaks`.
std::string EscapeControlCharacters(std::string_view text, bool keepLineBreaks);

}  // namespace kestrune
