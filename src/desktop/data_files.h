// Where the program finds the files it ships with (the HTML report's template): beside
// its own executable first, as a program copied into a log folder expects, then where an
// installation put them. The first place that holds the file wins; when none does, the
// place beside the program is named, so a missing file is reported there as before.
#pragma once

#include <string>
#include <vector>

namespace kestrune {

// The paths `name` is looked for at, in order:
//  1. programDir + name (programDir with or without its trailing "/");
//  2. programDir + "../share/kestrune/" + name, for an installation moved elsewhere or
//     made under DESTDIR;
//  3. installDataDir + "/" + name (the installation's data folder compiled in);
//  4. for each absolute folder D of the colon-separated `xdgDataDirs` (when empty:
//     "/usr/local/share:/usr/share"), D + "/kestrune/" + name.
// Paths are normalised ("/usr/bin/../share" is "/usr/share") and each is given once.
std::vector<std::string> DataFileCandidates(const std::string& programDir, const std::string& name,
                                            const std::string& installDataDir,
                                            const std::string& xdgDataDirs);

// The first candidate that is an existing file, else the first candidate.
std::string FindDataFile(const std::string& programDir, const std::string& name,
                         const std::string& installDataDir, const std::string& xdgDataDirs);

// The template of the HTML report for the program in `programDir`, looked up with the
// installation's data folder of this build and $XDG_DATA_DIRS.
std::string FindTemplateFile(const std::string& programDir);

// The installation's data folder compiled into this build, e.g. /usr/local/share/kestrune.
std::string InstalledDataDir();

}  // namespace kestrune
