// Where the workbook file goes: the user's documents folder under a dated name that
// never replaces an existing file, or a file named by the caller, replaced atomically.
// Either way the workbook is written under a temporary name in the target's folder and
// renamed when complete, so no half-written workbook ever carries the final name.
#pragma once

#include <string>

#include "export/object_model.h"
#include "util/datetime.h"

namespace kestrune {

// The output of `xdg-user-dir DOCUMENTS` when it names an existing folder, else $HOME
// (else "/tmp"). Without a trailing "/".
std::string DocumentsFolder();

// "Kestrune-dd-mmm-yyyy" for the day of `day`.
std::string WorkbookBaseName(TDateTime day);

// Writes `book` to folder/base.xlsx, or to folder/base (2).xlsx, (3)… when that exists,
// never replacing a file. True with `file` set to the name written; false with `error`
// set (the target and the system's reason).
bool SaveWorkbookAsNew(Workbook& book, const std::string& folder, const std::string& base,
                       std::string& file, std::string& error);

// Writes `book` to `file`, replacing it atomically; false with `error` set. A `file`
// that is a symbolic link is refused ("<file> is a symbolic link; not written") and
// neither it nor the file it names changes.
bool SaveWorkbookReplacing(Workbook& book, const std::string& file, std::string& error);

}  // namespace kestrune
