// The settings file's text: the registry's own export format, read and written as pure
// functions of their input.
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Vantorel\Kestrune]
//   "IIS"="Y"
//   @="the key's default value"
//
// Lines end CR LF (a bare LF is read too). Inside quotes "\\" and "\"" stand for a
// backslash and a quote; CR, LF and TAB are written "\r", "\n", "\t", and any other
// control byte "\xHH", so that every value stays on its line; all other bytes are kept
// as they are. Lines starting with ";" and empty lines are ignored.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "desktop/settings_hive.h"

namespace kestrune {

struct ParsedRegistryText {
  Hive hive;
  std::size_t skippedLines = 0;  // lines that could not be read, left out of `hive`
};

// The whole text in one pass, in time linear in its size. A line that cannot be read (a
// missing signature, a broken section line, a section outside HKEY_CURRENT_USER, a value
// outside a readable section, a broken value) is skipped and counted; everything
// readable is kept. A key or value name met again (without regard to case) stays at its
// first place; a value takes the data of its last line.
ParsedRegistryText ParseRegistryText(std::string_view text);

// The hive as the file holds it. ParseRegistryText gives the same hive back, with no
// line skipped, for every hive whose key paths are normalised and not empty and whose
// keys and value names are each unique.
std::string FormatRegistryText(const Hive& hive);

}  // namespace kestrune
