// The file-system search behind the import path: a directory with a file mask, the mask
// holding the wildcards "*" (any run of characters) and "?" (one character) and nothing
// else. The directory is read whole and the matching entries are returned sorted by name
// without regard to case (the order in which daily logs sort by date), "." and ".." and
// sub-directories included, as a wildcard search returns them; callers skip what they do
// not want.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

struct FoundEntry {
  std::string name;  // the entry's name within the searched directory
  bool isDirectory = false;
};

// The entries matching `pattern` as typed: the text after the last "/" is the mask and the
// text before it the directory ("/" for a pattern like "/x", the current directory when
// there is no "/"). A pattern that names a directory without a mask finds that directory
// itself as its one entry. Nothing found (or an unreadable directory): an empty list.
std::vector<FoundEntry> FindEntries(std::string_view pattern);

// True when `name` matches `mask`; only "*" and "?" are wildcards, case counts.
bool MaskMatches(std::string_view mask, std::string_view name);

}  // namespace kestrune
