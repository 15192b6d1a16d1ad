// Path helpers. The directory separator is "/"; the root "/" plays the part of a
// drive root.
#pragma once

#include <string>
#include <string_view>

namespace kestrune {

// `path` + "/", unless it is empty or already ends with "/".
std::string AddBackslash(std::string_view path);

// When `path`, trimmed of blanks, names an existing directory: that path without a
// trailing separator ("/" keeps its own). Else the text before the last "/" ("/" itself
// when that separator is the first character). Else the whole path.
std::string ExtractDir(std::string_view path);

// The text after the last "." of the file-name part (after the last "/"), without the
// dot; empty when there is none or when `path` names an existing directory.
std::string ExtractExt(std::string_view path);

// Creates the directory and every missing parent; an existing directory is success.
bool ForceDirectory(std::string_view path);

bool FileExists(std::string_view path);  // a regular file (or anything not a directory)
bool DirectoryExists(std::string_view path);

// `path` made absolute against the current directory (when relative) and cleaned
// without asking the file system: empty and "." segments dropped, a segment followed by
// ".." dropped with it, no trailing "/" ("/" itself for the root). A ".." with no
// segment left before it stays ("/a/../.." gives "/.."). Symbolic links are not followed.
std::string AbsolutePath(std::string_view path);

// The directory of the running program file (its real path), with a trailing "/".
std::string ProgramDir();

}  // namespace kestrune
