// FileSelection: the file list of an import with its selection, asked for each file that
// the search finds. A listed file that is not selected is skipped; a file that is not
// listed (it appeared after the listing) is read. Names that differ only in case are
// different files: the item of exactly that name decides first, else the first item
// equal to it without regard to case. So deselecting A.log never skips a.log, which
// would then be moved into "processed" unread.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace kestrune {

struct ListedFile {
  std::string name;  // the full file name, as the list holds it
  bool selected = true;
};

class FileSelection {
 public:
  FileSelection() = default;
  explicit FileSelection(const std::vector<ListedFile>& files);

  // Whether the file named `fileName` (import directory + the found name) is read.
  bool Selected(const std::string& fileName) const;

 private:
  std::unordered_map<std::string, bool> exact_;
  std::unordered_map<std::string, bool> folded_;
};

}  // namespace kestrune
